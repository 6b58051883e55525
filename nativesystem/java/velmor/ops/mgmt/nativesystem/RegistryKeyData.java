package velmor.ops.mgmt.nativesystem;

/** One registry value on its way to or from the native library, in one of four kinds. */
public class RegistryKeyData {
    public static int STRING_TYPE = 1;
    public static int STRING_ARRAY_TYPE = 2;
    public static int INTEGER_TYPE = 3;
    public static int BINARY_TYPE = 4;

    private final int dataType;
    private Object data;
    private final java.util.List<String> strings = new java.util.ArrayList<>();

    public RegistryKeyData(int dataType) {
        this.dataType = dataType;
    }

    public int getDataType() {
        return dataType;
    }

    public String getStringData() {
        return (String) data;
    }

    public String[] getStringArrayData() {
        return (String[]) data;
    }

    /** The number as decimal text. */
    public String getStringIntegerData() {
        return data == null ? null : data.toString();
    }

    public Byte getBinaryData() {
        return (Byte) data;
    }

    public void setData(String value) {
        data = value;
    }

    public void setData(Integer value) {
        data = value;
    }

    public void setData(Byte value) {
        data = value;
    }

    public void setData(String[] value) {
        data = value;
    }

    /** Receives a multi-string value as line-feed separated text. */
    public boolean processString(String text, int kind) {
        strings.clear();
        for (String element : text.split("\n")) {
            strings.add(element);
        }
        data = strings.toArray(new String[0]);
        return kind == STRING_ARRAY_TYPE;
    }
}
