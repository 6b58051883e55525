package velmor.ops.mgmt.nativesystem;

import static org.junit.Assert.assertEquals;
import static org.junit.Assert.assertFalse;
import static org.junit.Assert.assertNull;
import static org.junit.Assert.assertTrue;
import static org.junit.Assert.fail;

import org.junit.Test;

public class NativeResultTest {
    private static final String ACCESS_DENIED = "Access is denied.\r\n";

    @Test
    public void plainResults() {
        NativeResult ok = NativeResult.of("1| ");
        assertTrue(ok.isSuccess());
        assertEquals("", ok.getMessage());
        assertEquals("", ok.getValue());
        assertEquals(0, ok.getCode());

        NativeResult denied = NativeResult.of("0|" + ACCESS_DENIED);
        assertFalse(denied.isSuccess());
        assertEquals("Access is denied.", denied.getMessage());
        assertEquals(0, denied.getCode());
        assertEquals("0|" + ACCESS_DENIED, denied.getResultString());

        // The daemon's failure and a null argument carry no text.
        assertEquals("", NativeResult.of("0| ").getMessage());
        assertEquals("", NativeResult.of("0|").getMessage());

        NativeResult lost = NativeResult.of(null);
        assertFalse(lost.isSuccess());
        assertNull(lost.getResultString());
    }

    @Test
    public void codeOnlyWhereTheTextCarriesOne() {
        assertEquals(1073741823, NativeResult.of("0|Unknown error 1073741823").getCode());
        assertEquals(0xC0000005, NativeResult.of("0|Unknown error 3221225477").getCode());
        assertEquals(0, NativeResult.of("0|Unknown error x").getCode());
        assertEquals(0, NativeResult.of("0|The system cannot find the file specified.\r\n").getCode());
        assertEquals(1, NativeResult.ofRawDevice("0|Unknown error 1|X: does not point to a logical partition").getCode());
    }

    @Test
    public void freeSpace() {
        NativeResult free = NativeResult.ofFreeSpace("1|9223372036854775807");
        assertTrue(free.isSuccess());
        assertEquals("9223372036854775807", free.getValue());
        assertEquals(Long.MAX_VALUE, free.getFreeKilobytes());
        assertEquals("", free.getMessage());

        NativeResult missing = NativeResult.ofFreeSpace("0|The system cannot find the path specified.\r\n");
        assertFalse(missing.isSuccess());
        assertEquals("The system cannot find the path specified.", missing.getMessage());
        try {
            missing.getFreeKilobytes();
            fail("a failure has no free space");
        } catch (IllegalStateException expected) {
            // no number to give
        }
    }

    @Test
    public void environmentValueWithoutItsMarker() {
        // Only the last marker is the library's: the value may hold '@' and '|'.
        String[][] cases = {
            {"1|C:\\Windows@Success", "C:\\Windows"},
            {"1|a@Success@Success", "a@Success"},
            {"1|x|y@z@Success", "x|y@z"},
            {"1|@Success", ""},
        };
        for (String[] c : cases) {
            NativeResult set = NativeResult.ofEnvironment(c[0]);
            assertTrue(c[0], set.isSuccess());
            assertEquals(c[0], c[1], set.getValue());
        }
        NativeResult unset = NativeResult.ofEnvironment("0|Failure");
        assertFalse(unset.isSuccess());
        assertEquals("Failure", unset.getMessage());
        assertEquals("", unset.getValue());
    }

    @Test
    public void rawDeviceThreeParts() {
        NativeResult valid = NativeResult.ofRawDevice("1|The operation completed successfully.\r\n|1");
        assertTrue(valid.isSuccess());
        assertEquals("The operation completed successfully.", valid.getMessage());
        assertEquals("1", valid.getValue());

        NativeResult undefined = NativeResult.ofRawDevice(
                "0|The system cannot find the file specified.\r\n|Q: does not point to a logical partition");
        assertFalse(undefined.isSuccess());
        assertEquals("The system cannot find the file specified.", undefined.getMessage());
        assertEquals("Q: does not point to a logical partition", undefined.getValue());
    }

    @Test
    public void malformedStringsAreRefused() {
        String[][] cases = {{"plain", ""}, {"plain", "1"}, {"plain", "2| "}, {"plain", "1 |"},
            {"environment", "1|value"}, {"raw", "0|no detail"}};
        for (String[] c : cases) {
            try {
                if (c[0].equals("plain")) {
                    NativeResult.of(c[1]);
                } else if (c[0].equals("environment")) {
                    NativeResult.ofEnvironment(c[1]);
                } else {
                    NativeResult.ofRawDevice(c[1]);
                }
                fail(c[0] + " accepted " + c[1]);
            } catch (IllegalArgumentException expected) {
                // not a result of that form
            }
        }
    }

    @Test
    public void throwIfFailedCarriesMessageAndCode() throws NativeException {
        NativeResult.of("1| ").throwIfFailed();
        String[][] cases = {
            {"0|" + ACCESS_DENIED, "Access is denied.", "0"},
            {"0|Unknown error 1073741823", "Unknown error 1073741823", "1073741823"},
            {"0| ", NativeException.NO_TEXT, "0"},
        };
        for (String[] c : cases) {
            try {
                NativeResult.of(c[0]).throwIfFailed();
                fail("no exception for " + c[0]);
            } catch (NativeException e) {
                assertEquals(c[1], e.getMessage());
                assertEquals(Integer.parseInt(c[2]), e.getCode());
                assertEquals(c[0].substring(2), e.getSystemText());
            }
        }
    }
}
