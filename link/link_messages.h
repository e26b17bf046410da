#pragma once
// The link's messages, letter for letter as technicians know them.
namespace tarn::msg {

// Port and detection
inline constexpr const char* kPortAlreadyOpened = "Com port already opened !";
inline constexpr const char* kPortOpenFailed = "Com port open Failed !";
inline constexpr const char* kDcbSetError = "DCB Set Error ! Code = %d";
inline constexpr const char* kDcbError = "DCB Error !";
inline constexpr const char* kAutoDetectFailed = "Auto Detection Baud/Protocol Failed !";

// RTU exchanges
inline constexpr const char* kReadExceedsMax = "Read Exceeds MAX Data no. !";
inline constexpr const char* kReadCfgExceedsMax = "Read CFG Exceeds MAX no. !";
inline constexpr const char* kSendingFailed = " Comm port Sending Failed !";
inline constexpr const char* kReadError = "Comm port read Error !";
inline constexpr const char* kTripleTimeout = " 2215016 !";
inline constexpr const char* kCfgReadFail = " Read_CFG_RTU Read Fail !";
inline constexpr const char* kDataLengthError = "Read Data Length Error !";
inline constexpr const char* kDataLengthErrorN = "Read Data Length Error ! %d";
inline constexpr const char* kTripleLengthError = "Data Length Error !";
inline constexpr const char* kCfgError5 = "Read_CFG_RTU error 5 !";
inline constexpr const char* kCfgLengthError = "Read_CFG_RTU Data Length error!";
inline constexpr const char* kNotSupported = "Cmd Parameter Err ! Not Supported !";
inline constexpr const char* kWriteProtected = "Password Err ! Parameter is write Protected !";
inline constexpr const char* kDataNoError = "Read Data no. Error !";
inline constexpr const char* kCfgDataNoError = "Read_CFG_RTU Data No error!";
inline constexpr const char* kCrcError = "Read CRC Check Error !";
inline constexpr const char* kCfgCrcError = "Read_CFG_RTU CRC error!";

// Blocks
inline constexpr const char* kDownloadNotSupported = "Download Err ! Not Supported !";
inline constexpr const char* kUploadNotSupported = "Upload Err ! Not Supported !";
inline constexpr const char* kUploadLengthError = "Upload Err ! Data Length Error !";

// Guards for requests longer than the request buffer holds.
inline constexpr const char* kWriteExceedsMax = "Write Exceeds MAX Data no. !";
inline constexpr const char* kDownloadExceedsMax = "Download Exceeds MAX Data no. !";

// ASCII exchanges
inline constexpr const char* kNoResponse = "Comm port no response !";
inline constexpr const char* kStxError = "Read STX Error !";
inline constexpr const char* kLrcError = "Read LRC Check Error !";

}  // namespace tarn::msg
