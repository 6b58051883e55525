package velmor.ops.mgmt.nativesystem;

import static org.junit.Assert.assertArrayEquals;
import static org.junit.Assert.assertEquals;
import static org.junit.Assert.assertFalse;
import static org.junit.Assert.assertTrue;

import org.junit.Test;

public class NamedValuesTest {
    // Compiles only while the kinds are compile-time constants.
    private static String kindName(int kind) {
        switch (kind) {
            case RegistryKeyData.STRING_TYPE: return "string";
            case RegistryKeyData.STRING_ARRAY_TYPE: return "array";
            case RegistryKeyData.INTEGER_TYPE: return "integer";
            case RegistryKeyData.BINARY_TYPE: return "binary";
            default: return "unknown";
        }
    }

    @Test
    public void kindsAreDistinctConstants() {
        assertEquals("string", kindName(new RegistryKeyData(RegistryKeyData.STRING_TYPE).getDataType()));
        assertEquals("array", kindName(RegistryKeyData.STRING_ARRAY_TYPE));
        assertEquals("integer", kindName(RegistryKeyData.INTEGER_TYPE));
        assertEquals("binary", kindName(RegistryKeyData.BINARY_TYPE));
    }

    @Test
    public void nodeAndServiceValuesNeedNoNativeLibrary() {
        // This machine has no velnodm10: a value that loaded WindowsNative would fail here.
        String[] nodes = {WindowsNative.LOCAL_SERVICE_NODE, WindowsNative.LOCAL_REGISTRY_NODE,
            WindowsNative.HKEY_LOCAL_MACHINE};
        assertArrayEquals(new String[] {"localnode", "", "HKEY_LOCAL_MACHINE"}, nodes);
        int[] defaults = {WindowsNative.USE_DEFAULT, WindowsNative.SERVICE_WIN32_OWN_PROCESS,
            WindowsNative.SERVICE_DEMAND_START, WindowsNative.SERVICE_ERROR_NORMAL, WindowsNative.SERVICE_ALL_ACCESS};
        assertArrayEquals(new int[] {0, 0x10, 3, 1, 0xF01FF}, defaults);
    }

    @Test
    public void arrayReadsTakeTheLibrarysText() {
        RegistryKeyData array = new RegistryKeyData(RegistryKeyData.STRING_ARRAY_TYPE);
        assertTrue(array.processString("x\ny\n", RegistryKeyData.STRING_ARRAY_TYPE));
        assertArrayEquals(new String[] {"x", "y"}, array.getStringArrayData());
        assertFalse(new RegistryKeyData(RegistryKeyData.STRING_TYPE).processString("x\n", RegistryKeyData.STRING_TYPE));

        RegistryKeyData number = new RegistryKeyData(RegistryKeyData.INTEGER_TYPE);
        number.setData(Integer.valueOf(-1));
        assertEquals("-1", number.getStringIntegerData());
    }
}
