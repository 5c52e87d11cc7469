#include "zip_payload_source.h"

#include <zip.h>

#include <algorithm>
#include <limits>
#include <utility>

#include "buffered_read_stream.h"
#include "core/common/errors.h"
#include "core/common/io_chunk.h"
#include "core/common/text.h"

namespace Ravenquill::Core {

// One open zip entry; the archive closes it when it is disposed first, so a stream that outlives
// its source finds a null handle instead of freed memory.
struct OpenZipFile {
    zip_file_t* File = nullptr;
    ~OpenZipFile() {
        if (File != nullptr) zip_fclose(File);
    }
};

// Shared by the source and its entry streams; the zip layer reads our stream through Callback.
struct ZipPayloadSource::Archive {
    std::unique_ptr<ReadStream> Stream;
    std::exception_ptr StreamError;  // a failure of our stream, rethrown as itself past the zip layer
    zip_error_t Error{};
    zip_t* Handle = nullptr;
    std::vector<std::weak_ptr<OpenZipFile>> OpenFiles;

    Archive() { zip_error_init(&Error); }
    ~Archive() { Close(); }

    void Close() {
        for (const auto& weak : OpenFiles) {
            if (const auto file = weak.lock(); file && file->File != nullptr) {
                zip_fclose(file->File);
                file->File = nullptr;
            }
        }
        OpenFiles.clear();
        if (Handle != nullptr) zip_discard(Handle);
        Handle = nullptr;
        Stream.reset();
        zip_error_fini(&Error);
        zip_error_init(&Error);
    }

    [[noreturn]] void Fail(const zip_error_t* error) {
        if (StreamError) std::rethrow_exception(std::exchange(StreamError, nullptr));
        throw InvalidDataException(Text::FromUtf8(zip_error_strerror(const_cast<zip_error_t*>(error))));
    }

    static zip_int64_t Callback(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command) {
        auto& self = *static_cast<Archive*>(state);
        try {
            switch (command) {
                case ZIP_SOURCE_OPEN:
                case ZIP_SOURCE_CLOSE:
                case ZIP_SOURCE_FREE:
                    return 0;
                case ZIP_SOURCE_READ: {
                    const auto want = static_cast<std::size_t>(std::min<zip_uint64_t>(length, MaxIoChunk));
                    return static_cast<zip_int64_t>(self.Stream->Read(std::span(static_cast<std::byte*>(data), want)));
                }
                case ZIP_SOURCE_STAT: {
                    auto* stat = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &self.Error);
                    if (stat == nullptr) return -1;
                    zip_stat_init(stat);
                    stat->size = static_cast<zip_uint64_t>(self.Stream->Length());
                    stat->valid |= ZIP_STAT_SIZE;
                    return sizeof(zip_stat_t);
                }
                case ZIP_SOURCE_ERROR:
                    return zip_error_to_data(&self.Error, data, length);
                case ZIP_SOURCE_SEEK: {
                    const zip_int64_t to = zip_source_seek_compute_offset(
                        static_cast<zip_uint64_t>(self.Stream->Position()),
                        static_cast<zip_uint64_t>(self.Stream->Length()), data, length, &self.Error);
                    if (to < 0) return -1;
                    self.Stream->Seek(to);
                    return 0;
                }
                case ZIP_SOURCE_TELL:
                    return self.Stream->Position();
                case ZIP_SOURCE_SUPPORTS:
                    return ZIP_SOURCE_SUPPORTS_SEEKABLE;
                default:
                    zip_error_set(&self.Error, ZIP_ER_OPNOTSUPP, 0);
                    return -1;
            }
        } catch (...) {
            self.StreamError = std::current_exception();
            zip_error_set(&self.Error, ZIP_ER_READ, 0);
            return -1;
        }
    }
};

namespace {

// Why the zip layer could not open an archive, in the installer's words. A cut archive has lost
// its directory at the end and reads as no archive at all.
std::wstring OpenFailureReason(zip_error_t* error) {
    switch (zip_error_code_zip(error)) {
        case ZIP_ER_NOZIP:
            return L"это не zip-архив, или архив обрезан";
        case ZIP_ER_INCONS:
            return L"оглавление архива повреждено";
        case ZIP_ER_MULTIDISK:
            return L"многотомные архивы не поддерживаются";
        case ZIP_ER_MEMORY:
            return L"недостаточно памяти";
        case ZIP_ER_READ:
        case ZIP_ER_SEEK:
            return L"архив не читается";
        default:
            return L"ошибка zip " + std::to_wstring(zip_error_code_zip(error)) + L" (" +
                   Text::FromUtf8(zip_error_strerror(error)) + L")";
    }
}

// Directory entries have an empty name part. Archives not made on Unix may also use '\' and ':'.
bool IsDirectoryName(std::wstring_view fullName, bool madeOnUnix) {
    const std::size_t cut = madeOnUnix ? fullName.rfind(L'/') : fullName.find_last_of(L"/\\:");
    return cut == std::wstring_view::npos ? fullName.empty() : cut + 1 == fullName.size();
}

class ZipEntryStream final : public ReadStream {
public:
    ZipEntryStream(std::shared_ptr<ZipPayloadSource::Archive> archive, std::shared_ptr<OpenZipFile> file,
                   std::int64_t length)
        : archive_(std::move(archive)), file_(std::move(file)), length_(length) {}

    std::size_t Read(std::span<std::byte> buffer) override {
        if (file_->File == nullptr) throw ObjectDisposedException(L"Cannot access a closed Stream.");
        if (buffer.empty()) return 0;
        const zip_int64_t n = zip_fread(file_->File, buffer.data(), std::min(buffer.size(), MaxIoChunk));
        if (n < 0) archive_->Fail(zip_file_get_error(file_->File));
        position_ += n;
        return static_cast<std::size_t>(n);
    }
    std::int64_t Length() const override { return length_; }
    std::int64_t Position() const override { return position_; }

private:
    std::shared_ptr<ZipPayloadSource::Archive> archive_;
    std::shared_ptr<OpenZipFile> file_;
    std::int64_t length_;
    std::int64_t position_ = 0;
};

std::unique_ptr<ReadStream> OpenZipEntry(const std::shared_ptr<ZipPayloadSource::Archive>& archive, zip_uint64_t index,
                                         std::int64_t length) {
    if (archive->Handle == nullptr) throw ObjectDisposedException(L"Cannot access a disposed object.");
    auto file = std::make_shared<OpenZipFile>();
    file->File = zip_fopen_index(archive->Handle, index, 0);
    if (file->File == nullptr) archive->Fail(zip_get_error(archive->Handle));
    std::erase_if(archive->OpenFiles, [](const auto& weak) { return weak.expired(); });
    archive->OpenFiles.push_back(file);
    return std::make_unique<ZipEntryStream>(archive, std::move(file), length);
}

}  // namespace

ZipPayloadSource::ZipPayloadSource(std::unique_ptr<ReadStream> stream, std::wstring_view name)
    : archive_(std::make_shared<Archive>()) {
    archive_->Stream = MakeSeekable(std::move(stream));
    zip_source_t* source = zip_source_function_create(&Archive::Callback, archive_.get(), &archive_->Error);
    if (source == nullptr) archive_->Fail(&archive_->Error);
    zip_error_t openError;
    zip_error_init(&openError);
    archive_->Handle = zip_open_from_source(source, ZIP_RDONLY, &openError);
    if (archive_->Handle == nullptr) {
        zip_source_free(source);
        const std::wstring archive = name.empty() ? L"zip-архив" : L"архив «" + std::wstring(name) + L"»";
        const std::wstring message = L"Не удаётся открыть " + archive + L": " + OpenFailureReason(&openError) + L".";
        zip_error_fini(&openError);
        // A failure of our own stream (a read error of the file) is reported as the platform words it.
        if (archive_->StreamError) std::rethrow_exception(archive_->StreamError);
        throw InvalidDataException(message);
    }
    zip_error_fini(&openError);

    const zip_int64_t count = zip_get_num_entries(archive_->Handle, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto index = static_cast<zip_uint64_t>(i);
        const char* rawName = zip_get_name(archive_->Handle, index, ZIP_FL_ENC_RAW);
        if (rawName == nullptr) archive_->Fail(zip_get_error(archive_->Handle));
        const std::wstring fullName = Text::FromUtf8(rawName);
        zip_uint8_t system = 0;
        zip_uint32_t attributes = 0;
        if (zip_file_get_external_attributes(archive_->Handle, index, 0, &system, &attributes) != 0)
            archive_->Fail(zip_get_error(archive_->Handle));
        if (IsDirectoryName(fullName, system == ZIP_OPSYS_UNIX)) continue;

        zip_stat_t stat;
        if (zip_stat_index(archive_->Handle, index, 0, &stat) != 0) archive_->Fail(zip_get_error(archive_->Handle));
        if ((stat.valid & ZIP_STAT_SIZE) == 0 ||
            stat.size > static_cast<zip_uint64_t>(std::numeric_limits<std::int64_t>::max()))
            throw InvalidDataException(L"The archive entry has an invalid size.");
        const auto length = static_cast<std::int64_t>(stat.size);

        std::wstring relativePath = fullName;
        std::replace(relativePath.begin(), relativePath.end(), L'/', L'\\');
        entries_.push_back(PayloadEntry{std::move(relativePath), length, [archive = archive_, index, length] {
                                            return OpenZipEntry(archive, index, length);
                                        }});
    }
}

ZipPayloadSource::~ZipPayloadSource() { archive_->Close(); }

}  // namespace Ravenquill::Core
