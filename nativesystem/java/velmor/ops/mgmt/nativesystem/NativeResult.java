package velmor.ops.mgmt.nativesystem;

/**
 * A result string of {@link WindowsNative} taken apart: {@code <digit>|<text>}, where the digit 1
 * means success and 0 failure. Pick the factory that matches the method that gave the string.
 *
 * <p>Result strings carry the system message of a failure, not its code: {@link #getCode()} is 0
 * unless the text is the library's {@code Unknown error <code>}, which it gives for a code that
 * the system has no message for.
 */
public final class NativeResult {
    private static final char SEPARATOR = '|';
    private static final String ENVIRONMENT_MARKER = "@Success";
    private static final String UNKNOWN_ERROR = "Unknown error ";

    private final String resultString;
    private final boolean success;
    private final String systemText;
    private final String value;

    private NativeResult(String resultString, boolean success, String systemText, String value) {
        this.resultString = resultString;
        this.success = success;
        this.systemText = systemText;
        this.value = value;
    }

    /**
     * A result of the file, node and service methods and of {@code ntStartDaemon}: {@code 1| } or
     * {@code 0|} and the system message.
     *
     * @param result the string a method returned; null (the VM could not make the string) reads
     *               as a failure without a text
     * @return the parsed result, with an empty value
     * @throws IllegalArgumentException when the string is not a result string
     */
    public static NativeResult of(String result) {
        if (result == null) {
            return new NativeResult(null, false, "", "");
        }
        String text = textOf(result);
        return new NativeResult(result, isSuccess(result), text, "");
    }

    /**
     * A result of {@code getFreeSpace}: {@code 1|<kilobytes>} or {@code 0|} and the system message.
     *
     * @param result the string {@code getFreeSpace} returned
     * @return the parsed result; on success the value is the free space in kilobytes
     * @throws IllegalArgumentException when the string is not a result string
     */
    public static NativeResult ofFreeSpace(String result) {
        NativeResult plain = of(result);
        if (!plain.success) {
            return plain;
        }
        return new NativeResult(result, true, "", plain.systemText);
    }

    /**
     * A result of {@code getEnvironment}: {@code 1|<value>@Success}, or {@code 0|Failure} when the
     * variable is not set.
     *
     * @param result the string {@code getEnvironment} returned
     * @return the parsed result; on success the value without its marker, on failure the message
     *         {@code Failure}
     * @throws IllegalArgumentException when the string is not a result string
     */
    public static NativeResult ofEnvironment(String result) {
        NativeResult plain = of(result);
        if (!plain.success) {
            return plain;
        }
        String text = plain.systemText;
        if (!text.endsWith(ENVIRONMENT_MARKER)) {
            throw new IllegalArgumentException("not an environment result: " + result);
        }
        return new NativeResult(result, true, "", text.substring(0, text.length() - ENVIRONMENT_MARKER.length()));
    }

    /**
     * A result of {@code validateRawDevice}: {@code <digit>|<system message>|<detail>}.
     *
     * @param result the string {@code validateRawDevice} returned
     * @return the parsed result; the message is the system message (on success the one for code 0),
     *         the value the detail: {@code 1} for a valid partition, else a sentence naming the device
     * @throws IllegalArgumentException when the string has not three parts
     */
    public static NativeResult ofRawDevice(String result) {
        NativeResult plain = of(result);
        if (result == null) {
            return plain;
        }
        String text = plain.systemText;
        int separator = text.indexOf(SEPARATOR);
        if (separator < 0) {
            throw new IllegalArgumentException("not a raw-device result: " + result);
        }
        return new NativeResult(result, plain.success, text.substring(0, separator), text.substring(separator + 1));
    }

    /**
     * Whether the call succeeded.
     *
     * @return true for the outcome digit 1
     */
    public boolean isSuccess() {
        return success;
    }

    /**
     * The failure text without its surrounding blanks and line end.
     *
     * @return the trimmed system message; empty on success (except for raw devices) and for the
     *         failures that carry no text
     */
    public String getMessage() {
        return systemText.trim();
    }

    /**
     * What the call answered beyond its outcome.
     *
     * @return the free kilobytes, the environment value or the raw-device detail; empty for the
     *         other methods
     */
    public String getValue() {
        return value;
    }

    /**
     * The free space of a {@link #ofFreeSpace} result.
     *
     * @return the free space in kilobytes
     * @throws IllegalStateException when the result is a failure or carries no number
     */
    public long getFreeKilobytes() {
        try {
            if (success) {
                return Long.parseLong(value);
            }
        } catch (NumberFormatException notANumber) {
            // reported below
        }
        throw new IllegalStateException("no free space in " + resultString);
    }

    /**
     * The Windows error code, where the text carries one.
     *
     * @return the code of an {@code Unknown error <code>} text, else 0
     */
    public int getCode() {
        String message = getMessage();
        if (success || !message.startsWith(UNKNOWN_ERROR)) {
            return 0;
        }
        try {
            return (int) Long.parseLong(message.substring(UNKNOWN_ERROR.length()));
        } catch (NumberFormatException notACode) {
            return 0;
        }
    }

    /**
     * The string as the method returned it.
     *
     * @return the unparsed result string, null when the method returned null
     */
    public String getResultString() {
        return resultString;
    }

    /**
     * Throws when the call failed.
     *
     * @throws NativeException carrying the trimmed message and {@link #getCode()}, on failure
     */
    public void throwIfFailed() throws NativeException {
        if (!success) {
            throw new NativeException(systemText, getCode());
        }
    }

    private static boolean isSuccess(String result) {
        return result.charAt(0) == '1';
    }

    private static String textOf(String result) {
        if (result.length() < 2 || (result.charAt(0) != '0' && result.charAt(0) != '1')
                || result.charAt(1) != SEPARATOR) {
            throw new IllegalArgumentException("not a result string: " + result);
        }
        return result.substring(2);
    }
}
