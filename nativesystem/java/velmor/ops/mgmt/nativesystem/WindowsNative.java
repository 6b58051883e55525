package velmor.ops.mgmt.nativesystem;

/**
 * The native methods of velnodm10. The library's export table and the
 * prototypes its sources compile against are generated from this class.
 */
public class WindowsNative {
    static {
        // Windows does not look for velnodm10's import beside it.
        System.loadLibrary("velutx");
        System.loadLibrary("velnodm10");
    }

    public native void RegCreateKey(String key, String subKey, NativeStatus status, String node);

    public native void RegDeleteKey(String key, String subKey, String deleteKey, NativeStatus status, String node);

    public native void RegDeleteValue(String key, String subKey, String value, NativeStatus status, String node);

    public native boolean RegKeyExists(String key, String subKey, NativeStatus status, String node);

    public native void RegSetValueDataObject(String key, String subKey, String value, RegistryKeyData data,
            NativeStatus status, String node);

    public native void RegGetDataObject(String key, String subKey, String value, RegistryKeyData data,
            NativeStatus status, String node);

    public native String copyFileCluster(String source, String target);

    public native String moveFileCluster(String source, String target);

    public native String removeFileCluster(String path);

    public native String removeDirCluster(String path);

    public native String createDirCluster(String path);

    public native String removeDirRecurseCluster(String path);

    public native String getFreeSpace(String path);

    public native String isNodeAccessible(String node);

    public native boolean dirExists(String path, NativeStatus status);

    public native String getEnvironment(String name);

    public native boolean isCFS(String drive);

    public native String ntCreateServiceAdvanced(String executable, String serviceName, int desiredAccess,
            int serviceType, int startType, int errorControl, String dependencies, String accountName,
            String loadOrderGroup, int tag, String password, String node);

    public native String ntCreateServiceDep(String serviceName, String dependencies, String node);

    public native String ntDeleteService(String serviceName, String node);

    public native String ntStartService(String serviceName, String node);

    public native String ntStopService(String serviceName, String node);

    public native String ntStartDaemon(String unused1, String node, String unused2, String home);

    public native String validateRawDevice(String device);
}
