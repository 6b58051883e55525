package velmor.ops.mgmt.nativesystem;

/**
 * What the registry methods and {@link WindowsNative#dirExists} report through.
 *
 * <p>The library tells the object the outcome of every call: {@code setStatus(true)} on success;
 * on failure {@code setStatus(false)}, then {@code setOSString} with the failure text and
 * {@code setOSCode} with the Windows error code. Each {@code setStatus} call starts a report afresh,
 * so an object can be reused from call to call and never reads a stale text or code. A status object
 * is not synchronized: use one per thread.
 *
 * <p>A caller may pass an object of a class of its own instead; the library then needs the field
 * {@code boolean m_nativeDebugFlag} and the methods {@code void setStatus(boolean)} and
 * {@code void setOSString(String)}. {@code void setOSCode(int)} is optional.
 */
public class NativeStatus {
    /**
     * Read by the library before every trace line: true prints the call's trace to the process's
     * native standard output (not to {@code System.out}).
     */
    public boolean m_nativeDebugFlag;

    private boolean status;
    private String osString = "";
    private int osCode;

    /** A status that reads as a failure without a text until a call reports to it. */
    public NativeStatus() {
    }

    /**
     * Records the outcome of a call and clears the text and code of an earlier report.
     *
     * @param status true for success, false for failure
     */
    public void setStatus(boolean status) {
        this.status = status;
        this.osString = "";
        this.osCode = 0;
    }

    /**
     * Records the text of a failure.
     *
     * @param text the system message as Windows gives it, with its line end, or an empty text;
     *             null reads as empty
     */
    public void setOSString(String text) {
        this.osString = text == null ? "" : text;
    }

    /**
     * Records the Windows error code of a failure.
     *
     * @param code the code, 0 where no Windows error describes the failure
     */
    public void setOSCode(int code) {
        this.osCode = code;
    }

    /**
     * The outcome of the last call.
     *
     * @return true when the last call succeeded
     */
    public boolean getStatus() {
        return status;
    }

    /**
     * The failure text of the last call as the library gave it.
     *
     * @return the system message in the system's language, usually ending in CR LF; empty after a
     *         success and for the failures that have no text
     */
    public String getOSString() {
        return osString;
    }

    /**
     * The Windows error code of the last call's failure.
     *
     * @return the code, 0 after a success and for failures that no Windows error describes
     */
    public int getOSCode() {
        return osCode;
    }

    /**
     * Throws when the last call failed.
     *
     * @throws NativeException carrying the trimmed failure text and the code, when
     *         {@link #getStatus()} is false
     */
    public void throwIfFailed() throws NativeException {
        if (!status) {
            throw new NativeException(osString, osCode);
        }
    }
}
