package velmor.ops.mgmt.nativesystem;

/**
 * The Windows operations of the management tools on the nodes of a cluster: registry keys and
 * values, files and directories, services, the services daemon and raw partitions. Each native
 * method is one export of {@code velnodm10.dll}; the library's export table and the prototypes its
 * sources compile against are generated from this class.
 *
 * <p><b>Loading.</b> The first use of the class (a constructor call) loads {@code velutx} and then
 * {@code velnodm10} with {@link System#loadLibrary} from {@code java.library.path}: Windows looks
 * for the import {@code velutx.dll} beside {@code java.exe}, in the system directories and on the
 * {@code PATH}, not beside {@code velnodm10.dll}, so it is loaded first. Both DLLs are 32-bit: a
 * <b>32-bit Java VM</b> is required. When loading fails (a 64-bit VM, a DLL missing from
 * {@code java.library.path}) that first use throws {@link UnsatisfiedLinkError}; every later use
 * of the class in the same VM throws {@link NoClassDefFoundError}. The named values below are
 * compile-time constants and load nothing.
 *
 * <p><b>Results.</b> No method throws an exception of its own. Failures come back as result
 * strings (take them apart with {@link NativeResult}), through a {@link NativeStatus}, or as a
 * boolean. A Java exception raised inside a call (a status or data object without a member the
 * library needs, or one of its methods throwing) fails the operation and then reaches the caller,
 * unless the status object's {@code m_nativeDebugFlag} is true: then it is printed and cleared.
 *
 * <p><b>Threads.</b> Any thread may call any method, also concurrently; calls share no data except
 * the daemon home of {@link #ntStartDaemon}, which the last call sets. Service start and stop and
 * the daemon start wait for the service and may block for minutes, and file and node calls wait
 * for the network: do not call them on a GUI thread. The trace of {@code m_nativeDebugFlag} and
 * a few fixed messages go to the process's native standard output: {@code System.setOut} does not
 * capture them and under {@code javaw} they are lost.
 *
 * <p><b>32-bit view.</b> On 64-bit Windows the 32-bit VM sees the 32-bit registry view
 * ({@code HKEY_LOCAL_MACHINE\SOFTWARE} is the 64-bit side's {@code SOFTWARE\WOW6432Node}), local
 * paths under {@code %windir%\System32} lead to {@code SysWOW64}, and the environment is the 32-bit
 * process's.
 */
public class WindowsNative {
    /** The node text of the service methods for the local machine (exactly this, in lower case). */
    public static final String LOCAL_SERVICE_NODE = "localnode";
    /**
     * The node text of the registry methods for the local machine: the empty text, which reaches the
     * registry connection as an empty machine name. The computer's own name
     * ({@code System.getenv("COMPUTERNAME")}) reaches it too; {@code null} fails the call.
     */
    public static final String LOCAL_REGISTRY_NODE = "";

    /** Registry root {@code HKEY_LOCAL_MACHINE} (root names are matched in any case). */
    public static final String HKEY_LOCAL_MACHINE = "HKEY_LOCAL_MACHINE";
    /** Registry root {@code HKEY_CURRENT_USER}: the local machine only. */
    public static final String HKEY_CURRENT_USER = "HKEY_CURRENT_USER";
    /** Registry root {@code HKEY_USERS}. */
    public static final String HKEY_USERS = "HKEY_USERS";
    /** Registry root {@code HKEY_CLASSES_ROOT}: the local machine only. */
    public static final String HKEY_CLASSES_ROOT = "HKEY_CLASSES_ROOT";

    /** 0 for a setting of {@link #ntCreateServiceAdvanced}: the setting's default. */
    public static final int USE_DEFAULT = 0;
    /** Access to a created service: all rights (the default). */
    public static final int SERVICE_ALL_ACCESS = 0xF01FF;
    /** Access to a created service: query its status. */
    public static final int SERVICE_QUERY_STATUS = 0x0004;
    /** Access to a created service: start it. */
    public static final int SERVICE_START = 0x0010;
    /** Access to a created service: stop it. */
    public static final int SERVICE_STOP = 0x0020;
    /** Service type: a kernel driver. */
    public static final int SERVICE_KERNEL_DRIVER = 0x01;
    /** Service type: a file system driver. */
    public static final int SERVICE_FILE_SYSTEM_DRIVER = 0x02;
    /** Service type: a program of its own (the default). */
    public static final int SERVICE_WIN32_OWN_PROCESS = 0x10;
    /** Service type: a program that shares its process with other services. */
    public static final int SERVICE_WIN32_SHARE_PROCESS = 0x20;
    /** Start type: started by the I/O system at boot (drivers only). */
    public static final int SERVICE_SYSTEM_START = 1;
    /** Start type: started when Windows starts. */
    public static final int SERVICE_AUTO_START = 2;
    /** Start type: started on demand (the default). Boot start (0) cannot be asked for. */
    public static final int SERVICE_DEMAND_START = 3;
    /** Start type: cannot be started. */
    public static final int SERVICE_DISABLED = 4;
    /** Error control: log the error and go on (the default). Ignoring errors (0) cannot be asked for. */
    public static final int SERVICE_ERROR_NORMAL = 1;
    /** Error control: fall back to the last known good configuration. */
    public static final int SERVICE_ERROR_SEVERE = 2;
    /** Error control: fail the start of Windows unless in the last known good configuration. */
    public static final int SERVICE_ERROR_CRITICAL = 3;

    static {
        // Windows does not look for velnodm10's import beside it.
        System.loadLibrary("velutx");
        System.loadLibrary("velnodm10");
    }

    /**
     * Loads the native libraries on the first construction in a VM.
     *
     * @throws UnsatisfiedLinkError on the first use when a library cannot be loaded
     * @throws NoClassDefFoundError on every later use after that
     */
    public WindowsNative() {
    }

    /**
     * Creates a registry key with every missing level below the root, or opens an existing one and
     * leaves its values alone.
     *
     * @param key the root name: one of the {@code HKEY_...} constants
     * @param subKey the key's path below the root, levels separated by backslashes
     * @param status told the outcome; failures: a null argument (empty text, code 0), an unknown
     *               root (code 60), a node whose registry cannot be reached (code 30), or the
     *               registry's own error (for example 5, access denied)
     * @param node {@link #LOCAL_REGISTRY_NODE} or the computer name of the node
     */
    public native void RegCreateKey(String key, String subKey, NativeStatus status, String node);

    /**
     * Deletes one registry key that has no sub-keys. The key to delete is a path from the root;
     * {@code subKey} takes no part in the deletion (it must not be null and shows in the trace).
     * The deletion is not recursive: a key with sub-keys fails with the registry's error.
     *
     * @param key the root name
     * @param subKey not used, except that null fails the call
     * @param deleteKey the key to delete, as a path from the root
     * @param status told the outcome; failures as for {@link #RegCreateKey}, a missing key with
     *               code 2
     * @param node {@link #LOCAL_REGISTRY_NODE} or the computer name of the node
     */
    public native void RegDeleteKey(String key, String subKey, String deleteKey, NativeStatus status, String node);

    /**
     * Deletes one value of a key.
     *
     * @param key the root name
     * @param subKey the key holding the value, as a path from the root
     * @param value the value's name; empty for the key's default value
     * @param status told the outcome; failures as for {@link #RegCreateKey}, a missing key or
     *               value with code 2
     * @param node {@link #LOCAL_REGISTRY_NODE} or the computer name of the node
     */
    public native void RegDeleteValue(String key, String subKey, String value, NativeStatus status, String node);

    /**
     * Tells whether a key exists. Consult the status first: a failure returns true.
     *
     * @param key the root name
     * @param subKey the key, as a path from the root
     * @param status true when the question was answered (a missing key included); failures as for
     *               {@link #RegCreateKey}, a key that cannot be read with the registry's error
     * @param node {@link #LOCAL_REGISTRY_NODE} or the computer name of the node
     * @return whether the key exists when the status is true; true after a failure
     */
    public native boolean RegKeyExists(String key, String subKey, NativeStatus status, String node);

    /**
     * Writes a value of the data's kind, creating the key (with every missing level) when it does
     * not exist. See {@link RegistryKeyData} for what each kind writes.
     *
     * @param key the root name
     * @param subKey the key, as a path from the root
     * @param value the value's name; empty for the key's default value
     * @param data the value; a null or empty array, null data of another kind or an unknown kind
     *             fails with an empty text and writes nothing
     * @param status told the outcome; failures as for {@link #RegCreateKey}, and with an empty text
     *               and code 0 for a data object without a member the library needs
     * @param node {@link #LOCAL_REGISTRY_NODE} or the computer name of the node
     */
    public native void RegSetValueDataObject(String key, String subKey, String value, RegistryKeyData data,
            NativeStatus status, String node);

    /**
     * Reads a value and hands it to the data object by the object's kind, whatever type the
     * registry stores (see {@link RegistryKeyData}).
     *
     * @param key the root name
     * @param subKey the key, as a path from the root
     * @param value the value's name; empty for the key's default value
     * @param data receives the value through {@code setData} or {@code processString}
     * @param status told the outcome; failures as for {@link #RegCreateKey}, a missing key or value
     *               with code 2, a value over {@link RegistryKeyData#MAX_READ_BYTES} with code 234,
     *               an unknown kind or a false {@code processString} with an empty text and code 0
     * @param node {@link #LOCAL_REGISTRY_NODE} or the computer name of the node
     */
    public native void RegGetDataObject(String key, String subKey, String value, RegistryKeyData data,
            NativeStatus status, String node);

    /**
     * Copies a file, replacing an existing target. Remote nodes are reached through paths such as
     * {@code \\node\C$\dir\file}.
     *
     * @param source the file to copy
     * @param target the copy
     * @return {@code 1| } or {@code 0|} and the system message; {@code 0|} alone for a null argument
     */
    public native String copyFileCluster(String source, String target);

    /**
     * Moves or renames a file or directory.
     *
     * @param source what to move
     * @param target where to
     * @return {@code 1| } or {@code 0|} and the system message; {@code 0|} alone for a null argument
     */
    public native String moveFileCluster(String source, String target);

    /**
     * Deletes a file; a read-only file fails with the access-denied message.
     *
     * @param path the file
     * @return {@code 1| } or {@code 0|} and the system message; {@code 0|} alone for a null argument
     */
    public native String removeFileCluster(String path);

    /**
     * Removes an empty directory.
     *
     * @param path the directory
     * @return {@code 1| } or {@code 0|} and the system message (error 145 when it is not empty);
     *         {@code 0|} alone for a null argument
     */
    public native String removeDirCluster(String path);

    /**
     * Creates a directory with every missing level; existing levels are fine. The path must have a
     * drive ({@code C:\a\b}) or share ({@code \\node\C$\a\b}) root.
     *
     * @param path the directory
     * @return {@code 1| } or {@code 0|} and the system message; {@code 0|} alone for a null argument
     */
    public native String createDirCluster(String path);

    /**
     * Removes a directory with everything in it, read-only entries included. A missing directory
     * is a success.
     *
     * @param path the directory
     * @return {@code 1| } or {@code 0|} and the system message; {@code 0|} alone for a null argument
     */
    public native String removeDirRecurseCluster(String path);

    /**
     * The free space of the disk holding a directory.
     *
     * @param path a directory on the disk
     * @return {@code 1|<kilobytes>} or {@code 0|} and the system message; read it with
     *         {@link NativeResult#ofFreeSpace}
     */
    public native String getFreeSpace(String path);

    /**
     * Tells whether a node shares its drive C ({@code C} or {@code C$}).
     *
     * @param node the node's name, with or without leading backslashes
     * @return {@code 1| } or {@code 0|} and the system message of the last probe
     */
    public native String isNodeAccessible(String node);

    /**
     * Tells whether a path is an existing directory. Consult the status first.
     *
     * @param path the directory
     * @param status true when the question was answered (a missing path included); false for a
     *               null path (empty text, code 0), a path that is not a directory (code 267) or one
     *               that cannot be examined (access denied, unreachable node, invalid name)
     * @return whether the directory exists; false after a failure
     */
    public native boolean dirExists(String path, NativeStatus status);

    /**
     * The value of an environment variable of this process.
     *
     * @param name the variable
     * @return {@code 1|<value>@Success}, or {@code 0|Failure} when it is not set; read it with
     *         {@link NativeResult#ofEnvironment}
     */
    public native String getEnvironment(String name);

    /**
     * Tells whether a drive holds the cluster file system.
     *
     * @param drive the drive, as {@code C:}
     * @return true for the cluster file system; false for any other and for a drive that cannot be read
     */
    public native boolean isCFS(String drive);

    /**
     * Creates a service on a node. A service of that name that exists already counts as created
     * and is left as it is. Needs an administrator on the node.
     *
     * @param executable the service program's path on the node
     * @param serviceName the service name, also its display name
     * @param desiredAccess access to the created service, {@link #USE_DEFAULT} for
     *                      {@link #SERVICE_ALL_ACCESS}
     * @param serviceType a {@code SERVICE_..._DRIVER} or {@code SERVICE_WIN32_...} value,
     *                    {@link #USE_DEFAULT} for {@link #SERVICE_WIN32_OWN_PROCESS}
     * @param startType a start type, {@link #USE_DEFAULT} for {@link #SERVICE_DEMAND_START}
     * @param errorControl an error control, {@link #USE_DEFAULT} for {@link #SERVICE_ERROR_NORMAL}
     * @param dependencies the one service (or, with the prefix {@code +}, load order group) it
     *                     depends on; may be null; a text with a NUL character fails with error 1113
     * @param accountName the account it runs as; null for LocalSystem
     * @param loadOrderGroup its load order group; may be null
     * @param tag non-zero to have Windows assign a tag in the group
     * @param password the account's password; may be null
     * @param node {@link #LOCAL_SERVICE_NODE} or the node's name
     * @return {@code 1| } or {@code 0|} and the system message
     */
    public native String ntCreateServiceAdvanced(String executable, String serviceName, int desiredAccess,
            int serviceType, int startType, int errorControl, String dependencies, String accountName,
            String loadOrderGroup, int tag, String password, String node);

    /**
     * Makes one service the only dependency of another.
     *
     * @param serviceName the service to change
     * @param dependencies {@code <service>|}: the service before the first bar becomes the only dependency
     * @param node {@link #LOCAL_SERVICE_NODE} or the node's name
     * @return {@code 1| } or {@code 0|} and the system message
     */
    public native String ntCreateServiceDep(String serviceName, String dependencies, String node);

    /**
     * Marks a service for deletion.
     *
     * @param serviceName the service
     * @param node {@link #LOCAL_SERVICE_NODE} or the node's name
     * @return {@code 1| } or {@code 0|} and the system message
     */
    public native String ntDeleteService(String serviceName, String node);

    /**
     * Starts a service and waits until it runs, at most about three minutes. A running service fails
     * (error 1056).
     *
     * @param serviceName the service
     * @param node {@link #LOCAL_SERVICE_NODE} or the node's name
     * @return {@code 1| } once it runs, or {@code 0|} and the system message (1053 when it does not
     *         come up in time)
     */
    public native String ntStartService(String serviceName, String node);

    /**
     * Stops a service and waits, at most about three minutes, until it has stopped.
     *
     * @param serviceName the service
     * @param node {@link #LOCAL_SERVICE_NODE} or the node's name
     * @return {@code 1| } once the service accepted the stop request, or {@code 0|} and the system message
     */
    public native String ntStopService(String serviceName, String node);

    /**
     * Installs the services daemon as an automatic service when it is not installed, starts it and
     * waits until it runs (at most five minutes). Writes its own log under the daemon home.
     *
     * @param unused1 not used
     * @param node {@link #LOCAL_SERVICE_NODE} or the node's name
     * @param unused2 not used
     * @param home the daemon home directory
     * @return {@code 1| } or {@code 0| }: the log says why
     */
    public native String ntStartDaemon(String unused1, String node, String unused2, String home);

    /**
     * Tells whether a device name designates a raw partition that can be opened for reading and
     * writing: on an MBR disk a partition of a FAT type, on a GPT disk a basic data partition
     * without a file system.
     *
     * @param device {@code X:}, a link name, or either with the prefix {@code \\.\}
     * @return {@code <digit>|<system message>|<detail>}; read it with {@link NativeResult#ofRawDevice}
     */
    public native String validateRawDevice(String device);
}
