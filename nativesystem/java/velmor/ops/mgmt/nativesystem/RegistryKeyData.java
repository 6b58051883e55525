package velmor.ops.mgmt.nativesystem;

/**
 * One registry value on its way to or from {@link WindowsNative#RegSetValueDataObject} and
 * {@link WindowsNative#RegGetDataObject}, in one of four kinds chosen when the object is made.
 *
 * <p>The kind decides both what is written and how a read is taken: a read does not look at the
 * type the registry stores. A value written as text and read as {@link #INTEGER_TYPE} gives the
 * first four bytes of that text as a number ("1234" reads as 875770417); a {@link #BINARY_TYPE}
 * read gives the first byte only. {@code REG_EXPAND_SZ} values read as {@link #STRING_TYPE} come
 * back unexpanded ({@code %SystemRoot%\x}). Missing bytes of a short value read as zeros.
 */
public class RegistryKeyData {
    /** Text: {@code setData(String)} and {@link #getStringData()}; written as {@code REG_SZ}. */
    public static final int STRING_TYPE = 1;
    /**
     * Several texts: {@code setData(String[])} and {@link #getStringArrayData()}; written as
     * {@code REG_MULTI_SZ}, read through {@link #processString}.
     */
    public static final int STRING_ARRAY_TYPE = 2;
    /**
     * A 32-bit number: written from the decimal text of {@link #getStringIntegerData()} as
     * {@code REG_DWORD}, read into {@code setData(Integer)}.
     */
    public static final int INTEGER_TYPE = 3;
    /** One byte: {@code setData(Byte)} and {@link #getBinaryData()}; written as a one-byte {@code REG_BINARY}. */
    public static final int BINARY_TYPE = 4;

    /** The most bytes a read takes; a larger value fails with error 234 (more data is available). */
    public static final int MAX_READ_BYTES = 10240;

    private final int dataType;
    private Object data;

    /**
     * A value of one kind, without data yet.
     *
     * @param dataType {@link #STRING_TYPE}, {@link #STRING_ARRAY_TYPE}, {@link #INTEGER_TYPE} or
     *                 {@link #BINARY_TYPE}; with any other number a write or read fails with an
     *                 empty text
     */
    public RegistryKeyData(int dataType) {
        this.dataType = dataType;
    }

    /**
     * The kind chosen at construction.
     *
     * @return one of the four type constants (or the number given)
     */
    public int getDataType() {
        return dataType;
    }

    /**
     * The text of a {@link #STRING_TYPE} value.
     *
     * @return the text; null writes an empty text
     * @throws ClassCastException when the data set is not a String
     */
    public String getStringData() {
        return (String) data;
    }

    /**
     * The texts of a {@link #STRING_ARRAY_TYPE} value.
     *
     * @return the texts (a null element writes an empty text); null or an empty array fails a write
     *         with an empty text
     * @throws ClassCastException when the data set is not a String array
     */
    public String[] getStringArrayData() {
        return (String[]) data;
    }

    /**
     * The number of an {@link #INTEGER_TYPE} value as decimal text, as a write takes it: leading
     * blanks are skipped and the number ends at the first character that is not a digit
     * ("12abc" writes 12, "abc" writes 0, "-1" writes 0xFFFFFFFF).
     *
     * @return the data as text; null fails a write with an empty text
     */
    public String getStringIntegerData() {
        return data == null ? null : data.toString();
    }

    /**
     * The byte of a {@link #BINARY_TYPE} value.
     *
     * @return the byte; null fails a write with an empty text
     * @throws ClassCastException when the data set is not a Byte
     */
    public Byte getBinaryData() {
        return (Byte) data;
    }

    /**
     * Sets the text of a {@link #STRING_TYPE} value, or the decimal text of an {@link #INTEGER_TYPE}
     * value; a read of a string value calls it.
     *
     * @param value the text
     */
    public void setData(String value) {
        data = value;
    }

    /**
     * Sets the number of an {@link #INTEGER_TYPE} value; a read of an integer value calls it.
     *
     * @param value the number
     */
    public void setData(Integer value) {
        data = value;
    }

    /**
     * Sets the byte of a {@link #BINARY_TYPE} value; a read of a binary value calls it.
     *
     * @param value the byte
     */
    public void setData(Byte value) {
        data = value;
    }

    /**
     * Sets the texts of a {@link #STRING_ARRAY_TYPE} value.
     *
     * @param value the texts
     */
    public void setData(String[] value) {
        data = value;
    }

    /**
     * Receives a read of a {@link #STRING_ARRAY_TYPE} value: the elements, each ended by a line
     * feed. The library calls it; its answer decides the read's outcome.
     *
     * @param text the elements, each followed by a line feed
     * @param kind the kind the read was made with
     * @return true when the object is of {@link #STRING_ARRAY_TYPE} and took the texts; false fails
     *         the read with an empty text
     */
    public boolean processString(String text, int kind) {
        data = text.split("\n");
        return kind == STRING_ARRAY_TYPE;
    }
}
