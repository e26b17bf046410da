#pragma once
// One drive parameter Pg-nn: its 16-word definition record, a value and an
// original value per axis, and a comment. It turns values into display text and
// text into values within the parameter's limits, and keeps itself in one
// sub-storage of an image.
#include <cstdint>
#include <string>

#include "device/cmd_impl.h"
#include "platform/hresult.h"
#include "platform/storage/storage.h"

namespace tarn {

// Results of ParseValue.
enum ParseResult : int {
    kParseStored = 0,
    kParseUnreadable = 2,
    kParseOutOfRange = 3,
    kParseAboveUpper = 4,
    kParseBelowLower = 5,
};

// Bits of the attribute word (word 6 of the definition record).
constexpr uint16_t kAttrDecimals = 0x0007;
constexpr uint16_t kAttrDefaultDependsOnDevice = 0x0008;
constexpr uint16_t kAttrNotDownloaded = 0x0C30;
constexpr uint16_t kAttrUnsigned = 0x0080;
constexpr uint16_t kAttr32Bit = 0x2000;
constexpr uint16_t kAttrHex = 0xC000;

class CParaItem : public ICmdImpl {
public:
    virtual HRESULT LoadFromStorage(IStorage* storage, int mode);
    virtual HRESULT SaveToStorage(IStorage* storage);
    virtual int Reserved1() { return 0; }
    virtual int Reserved2() { return 0; }
    virtual int Reserved3() { return 0; }

    int64_t GetUpperLimit() const;
    int64_t GetLowerLimit() const;
    int64_t GetDefault() const;
    int64_t GetValue(int axis) const;
    void SetValue(int32_t value, int axis);
    // The value of one axis as text (the x axis unless another is named).
    std::u16string FormatValue(int axis = 0) const;
    std::u16string FormatDefault() const;
    int ParseValue(const std::u16string& text, int axis);
    void SetDefinition(const uint16_t record[16]);

    uint16_t Attributes() const { return m_Cfg[6]; }
    // U: unsigned (either hexadecimal bit or bit 7); W32: two registers.
    bool IsUnsigned() const { return (m_Cfg[6] & (kAttrHex | kAttrUnsigned)) != 0; }
    bool Is32Bit() const { return (m_Cfg[6] & kAttr32Bit) != 0; }
    // The value's bits as they go to the drive: the low 16 bits for an unsigned
    // 16-bit parameter, else the low 32 bits.
    uint32_t RawValue(int axis) const;

    std::u16string m_strComment;
    int32_t m_nGroup = 0;
    int32_t m_nItem = 0;
    uint16_t m_Cfg[16] = {};
    int64_t m_Value[4] = {};
    int64_t m_OrgValue[4] = {};

private:
    int64_t RecordNumber(int highWord) const;
    bool IsP5_19() const { return m_nGroup == 5 && m_nItem == 19; }
};

}  // namespace tarn
