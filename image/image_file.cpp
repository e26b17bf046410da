#include "image/image_file.h"

#include <filesystem>

#include "image/stored_file.h"
#include "image/stream_fields.h"
#include "platform/storage/replacement_file.h"
#include "platform/storage/system_paths.h"
#include "platform/wide_string.h"

namespace tarn {

namespace {

constexpr uint16_t kImageType = 2;

// A private temporary file, created exclusively (no one else's file or link is
// ever followed) and removed when it goes.
class WorkingCopy {
public:
    WorkingCopy() : m_path(CreatePrivateTempFile("tarn-image-", &m_tried, &m_error)) {}
    ~WorkingCopy() {
        if (!m_path.empty()) RemoveFile(m_path);
    }
    WorkingCopy(const WorkingCopy&) = delete;
    WorkingCopy& operator=(const WorkingCopy&) = delete;
    bool ok() const { return !m_path.empty(); }
    int Error() const { return m_error; }
    const std::string& Tried() const { return m_tried; }
    std::u16string Path() const { return FromUtf8(m_path); }

private:
    // Filled while m_path is made: declared before it.
    std::string m_tried;
    int m_error = 0;
    std::string m_path;
};

}  // namespace

std::string WorkingCopyFailure(const std::string& image, const ImageLoadOutcome& outcome) {
    return image + ": its working copy " + outcome.workingCopy + " could not be made: " + OsErrorText(outcome.osError);
}

ImageLoadOutcome ReadImageFile(const std::u16string& path, CDevInfo& imageInfo, CCfgExchange& cfg) {
    ImageLoadOutcome out;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(FsPath(path), ec)) {
        cfg.DataValid = false;
        out.step = ImageLoadOutcome::Step::NoFile;
        return out;
    }
    uint16_t type = 0, identifier = 0;
    const int code = CheckHeader(path, &type, &identifier);
    const bool accepted =
        (code == kStoredOK && type == kImageType && identifier == kImageIdentifier) || code == kStoredIDMatch;
    if (!accepted) {
        out.step = ImageLoadOutcome::Step::HeaderRefused;
        out.containerCode = code == kStoredOK ? kStoredIDNotMatch : code;
        return out;
    }
    WorkingCopy copy;
    // A copy that cannot be made or written (no temporary folder, a full disk)
    // is named with the system's reason; a good image is not blamed for it.
    int error = copy.Error();
    if (copy.ok() && StripHeader(path, copy.Path(), &error) == kStoredOK) ScrambleFile(copy.Path(), copy.Path(), &error);
    if (error) {
        cfg.DataValid = false;
        out.step = ImageLoadOutcome::Step::WorkingCopyFailed;
        out.osError = error;
        out.workingCopy = copy.Tried();
        return out;
    }

    StgPtr<IStorage> root;
    HRESULT hr = StgIsStorageFile(copy.Path().c_str());
    if (SUCCEEDED(hr)) hr = StgOpenStorage(copy.Path().c_str(), nullptr, kImageOpenMode, nullptr, 0, root.Out());
    if (FAILED(hr)) {
        cfg.DataValid = false;
        out.step = ImageLoadOutcome::Step::NotOpened;
        out.hr = hr;
        return out;
    }
    if ((hr = imageInfo.LoadFromStorage(root.get(), 0)) != S_OK ||
        (hr = cfg.LoadFromStorage(root.get(), 0)) != S_OK) {
        out.step = ImageLoadOutcome::Step::ContentFailed;
        out.hr = hr;
        return out;
    }
    cfg.DataValid = true;
    return out;
}

bool WriteImageFile(const std::u16string& path, CDevInfo& driveInfo, CCfgExchange& cfg, int* osError) {
    const auto fail = [osError](int error) {
        if (osError) *osError = error;
        return false;
    };
    // Written whole beside the target, then put in its place: the image that
    // was there survives any failure on the way.
    ReplacementFile replacement(ToUtf8(path));
    if (replacement.Error()) return fail(replacement.Error());
    const std::u16string newFile = FromUtf8(replacement.Path());
    {
        StgPtr<IStorage> root;
        HRESULT hr = StgCreateDocfile(newFile.c_str(), kImageCreateMode, 0, root.Out());
        if (FAILED(hr)) return fail(ErrnoFromStorageResult(hr));
        // The saving program's version; a failure to write it does not matter.
        StgPtr<IStream> version;
        if (SUCCEEDED(root->CreateStream(u"Version", kImageCreateMode, 0, 0, version.Out()))) {
            for (uint32_t part : {uint32_t{TARN_VERSION_MAJOR}, uint32_t{TARN_VERSION_MINOR},
                                  uint32_t{TARN_VERSION_PATCH}, uint32_t{0}})
                WriteField(version.get(), part);
            version.Reset();
        }
        if ((hr = driveInfo.SaveToStorage(root.get())) != S_OK) return fail(ErrnoFromStorageResult(hr));
        if ((hr = cfg.SaveToStorage(root.get())) != S_OK) return fail(ErrnoFromStorageResult(hr));
        if (FAILED(hr = root->Commit(0))) return fail(ErrnoFromStorageResult(hr));
    }
    int error = 0;
    if (ScrambleFile(newFile, newFile, &error) != kStoredOK ||
        AddHeader(newFile, newFile, kImageIdentifier, false, &error) != kStoredOK)
        return fail(error);
    if ((error = replacement.Commit())) return fail(error);
    return true;
}

}  // namespace tarn
