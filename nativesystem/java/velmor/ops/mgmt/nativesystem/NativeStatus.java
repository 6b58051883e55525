package velmor.ops.mgmt.nativesystem;

/** What the native registry and directory operations report through. */
public class NativeStatus {
    /** Read by the library before every trace line; true prints its trace to standard output. */
    public boolean m_nativeDebugFlag;

    private boolean status;
    private String osString = "";

    public void setStatus(boolean status) {
        this.status = status;
    }

    public void setOSString(String text) {
        this.osString = text;
    }

    public boolean getStatus() {
        return status;
    }

    public String getOSString() {
        return osString;
    }
}
