package velmor.ops.mgmt.nativesystem;

/**
 * A failure of a native call, thrown by {@link NativeStatus#throwIfFailed()} and
 * {@link NativeResult#throwIfFailed()}. The library itself never throws it.
 */
public class NativeException extends Exception {
    private static final long serialVersionUID = 1L;

    /** The message of a failure the library reported without a text. */
    public static final String NO_TEXT = "native call failed without a message";

    /** The Windows error code, 0 when unknown. */
    private final int code;
    /** The failure text as the library gave it. */
    private final String systemText;

    /**
     * A failure with the library's text and code.
     *
     * @param systemText the failure text as the library gave it (system message with its line end,
     *                   or empty); null reads as empty
     * @param code the Windows error code, 0 when unknown
     */
    public NativeException(String systemText, int code) {
        super(messageOf(systemText));
        this.systemText = systemText == null ? "" : systemText;
        this.code = code;
    }

    /**
     * The Windows error code of the failure.
     *
     * @return the code, 0 when the failure carried none
     */
    public int getCode() {
        return code;
    }

    /**
     * The failure text exactly as the library gave it.
     *
     * @return the untrimmed text, possibly empty
     */
    public String getSystemText() {
        return systemText;
    }

    private static String messageOf(String systemText) {
        String trimmed = systemText == null ? "" : systemText.trim();
        return trimmed.isEmpty() ? NO_TEXT : trimmed;
    }
}
