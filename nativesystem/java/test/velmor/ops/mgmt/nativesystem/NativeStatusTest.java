package velmor.ops.mgmt.nativesystem;

import static org.junit.Assert.assertEquals;
import static org.junit.Assert.assertFalse;
import static org.junit.Assert.assertTrue;
import static org.junit.Assert.fail;

import org.junit.Test;

public class NativeStatusTest {
    // As the library reports a failure.
    private static void reportFailure(NativeStatus status, String text, int code) {
        status.setStatus(false);
        status.setOSString(text);
        status.setOSCode(code);
    }

    @Test
    public void eachReportStartsAfresh() {
        NativeStatus status = new NativeStatus();
        reportFailure(status, "Access is denied.\r\n", 5);
        assertEquals(5, status.getOSCode());

        status.setStatus(true);
        assertTrue(status.getStatus());
        assertEquals("", status.getOSString());
        assertEquals(0, status.getOSCode());

        reportFailure(status, "Access is denied.\r\n", 5);
        // A status class of the caller's own may lack setOSCode; then only the text comes.
        status.setStatus(false);
        status.setOSString("The network path was not found.\r\n");
        assertEquals(0, status.getOSCode());
        assertEquals("The network path was not found.\r\n", status.getOSString());

        status.setStatus(false);
        status.setOSString(null);
        assertEquals("", status.getOSString());
    }

    @Test
    public void throwIfFailed() throws NativeException {
        NativeStatus status = new NativeStatus();
        status.setStatus(true);
        status.throwIfFailed();

        Object[][] cases = {
            {"Access is denied.\r\n", 5, "Access is denied."},
            {"", 0, NativeException.NO_TEXT},
            {"REGISTRY_NATIVE_ERROR: RegistryKeyData class not found", 0,
                "REGISTRY_NATIVE_ERROR: RegistryKeyData class not found"},
        };
        for (Object[] c : cases) {
            reportFailure(status, (String) c[0], (Integer) c[1]);
            try {
                status.throwIfFailed();
                fail("no exception for " + c[0]);
            } catch (NativeException e) {
                assertEquals(c[2], e.getMessage());
                assertEquals(c[1], e.getCode());
                assertEquals(c[0], e.getSystemText());
            }
        }
        // A status no call has reported to reads as a failure.
        try {
            new NativeStatus().throwIfFailed();
            fail("a fresh status passed");
        } catch (NativeException e) {
            assertEquals(NativeException.NO_TEXT, e.getMessage());
        }
    }
}
