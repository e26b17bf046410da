// Section contents: the drive's memory areas written with block downloads and
// read back with block uploads, and the Program's encoding by the machine key.
#include <algorithm>

#include "device/device_cmd.h"
#include "device/device_inst.h"
#include "platform/wide_string.h"

namespace tarn {

namespace {

constexpr int kUploadBlockWords = 10;
const std::u16string kUnencodedKey = u"7350";
constexpr const char* kKeyTooLong = "Machine key is longer than 10 bytes!";

}  // namespace

std::string MachineKeyBytes(const std::u16string& key) { return ToUtf8(key); }

std::array<uint16_t, 5> MachineKeyTable(const std::string& keyBytes) {
    uint8_t k[11] = {};
    const size_t n = std::min(keyBytes.size(), kMaxMachineKeyBytes);
    for (size_t i = 0; i < n; ++i) k[i] = static_cast<uint8_t>(keyBytes[i]);
    for (size_t i = n; i < 10; ++i) k[i] = static_cast<uint8_t>(i + 1);
    std::array<uint16_t, 5> table{};
    for (size_t w = 0; w < 5; ++w) table[w] = static_cast<uint16_t>(k[2 * w] | k[2 * w + 1] << 8);
    return table;
}

std::vector<uint16_t> EncodeProgram(const uint16_t* words, int count,
                                    const std::array<uint16_t, 5>& table) {
    std::vector<uint16_t> out(static_cast<size_t>(std::max(count, 0)));
    uint16_t previous = table[0];
    for (size_t i = 0; i < out.size(); ++i) {
        const size_t j = previous % 5;
        out[i] = static_cast<uint16_t>(static_cast<uint16_t>(table[j] + words[i]) ^ table[(j + 1) % 5]);
        previous = out[i];
    }
    return out;
}

void CDeviceCmd::DownloadDVContent(int count, const uint16_t* words) {
    if (!Check(m_pLink->Download_Data(Station(), kAreaDV, static_cast<uint16_t>(count), words)))
        Raise("Fail to download DV content!");
}

void CDeviceCmd::DownloadAutoDVContent(int count, const uint16_t* words, int start) {
    if (!Check(m_pLink->Download_DataAt(Station(), kAreaDV, static_cast<uint16_t>(count), words,
                                        static_cast<uint16_t>(start))))
        Raise("Fail to download Auto DV content!");
}

void CDeviceCmd::DownloadDHContent(int count, const uint16_t* words) {
    if (!Check(m_pLink->Download_Data(Station(), kAreaDH, static_cast<uint16_t>(count), words)))
        Raise("Fail to download DH content!");
}

void CDeviceCmd::DownloadMHContent(const uint16_t* words) {
    if (!Check(m_pLink->Download_Data(Station(), kAreaMH, kMHWords, words)))
        Raise("Fail to download MH content!");
}

void CDeviceCmd::DownloadProgramContent(int count, const uint16_t* words, std::u16string key) {
    if (key.empty() || key == kUnencodedKey) {
        if (!Check(m_pLink->Download_Data(Station(), kAreaProgram, static_cast<uint16_t>(count), words)))
            Raise("Fail to download Programe content!");
        return;
    }
    const std::string bytes = MachineKeyBytes(key);
    // A key the drive cannot hold is refused rather than cut.
    if (bytes.size() > kMaxMachineKeyBytes) Raise(kKeyTooLong);
    const std::vector<uint16_t> encoded = EncodeProgram(words, count, MachineKeyTable(bytes));
    if (!Check(m_pLink->Download_Data(Station(), kAreaProgram, static_cast<uint16_t>(count),
                                      encoded.data())))
        Raise("Fail to download Programe content!");
}

bool CDeviceCmd::UploadSection(int area, int count, uint16_t* out) {
    for (int index = 0; index < count; index += kUploadBlockWords) {
        const int n = std::min(kUploadBlockWords, count - index);
        if (!Check(m_pLink->Upload_Block(Station(), static_cast<uint8_t>(area), static_cast<uint16_t>(index),
                                         static_cast<uint8_t>(n), out + index)))
            return false;
    }
    return true;
}

}  // namespace tarn
