#include "reports/OoxmlPackage.h"

#include <zip.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <memory>
#include <vector>

namespace {

constexpr zip_uint32_t kCompressionLevel = 6;

std::string partKey(const QString& part) {
  QString name = part;
  while (name.startsWith(QLatin1Char('/'))) name.remove(0, 1);
  return name.toStdString();
}

struct ZipErrorText {
  zip_error_t error;
  ZipErrorText() { zip_error_init(&error); }
  ~ZipErrorText() { zip_error_fini(&error); }
  std::string text() { return zip_error_strerror(&error); }
};

// Reads a zip source's complete content (the archive written by zip_close).
QByteArray readWholeSource(zip_source_t* source) {
  if (zip_source_open(source) < 0) throw PackageError("Cannot read the written package.");
  QByteArray result;
  if (zip_source_seek(source, 0, SEEK_END) == 0) {
    const zip_int64_t size = zip_source_tell(source);
    zip_source_seek(source, 0, SEEK_SET);
    if (size > 0) {
      result.resize(static_cast<qsizetype>(size));
      const zip_int64_t got = zip_source_read(source, result.data(), static_cast<zip_uint64_t>(size));
      if (got != size) result.clear();
    }
  }
  zip_source_close(source);
  if (result.isEmpty()) throw PackageError("Cannot read the written package.");
  return result;
}

// Reads a part stream for libzip: its size first (one pass that keeps no
// bytes), then its pieces as libzip asks for them.
class StreamSource {
 public:
  explicit StreamSource(PartStream& stream) : stream_(stream) {
    zip_error_init(&error_);
    QByteArray piece;
    stream_.rewind();
    while (stream_.next(piece)) {
      size_ += static_cast<zip_uint64_t>(piece.size());
      piece.clear();
    }
  }
  ~StreamSource() { zip_error_fini(&error_); }
  StreamSource(const StreamSource&) = delete;
  StreamSource& operator=(const StreamSource&) = delete;

  // What went wrong inside the stream, to be passed on once libzip has given up.
  std::exception_ptr failure() const { return failure_; }

  static zip_int64_t callback(void* self, void* data, zip_uint64_t length, zip_source_cmd_t command) {
    return static_cast<StreamSource*>(self)->handle(data, length, command);
  }

 private:
  zip_int64_t handle(void* data, zip_uint64_t length, zip_source_cmd_t command) {
    switch (command) {
      case ZIP_SOURCE_OPEN:
        stream_.rewind();
        pending_.clear();
        offset_ = 0;
        done_ = false;
        return 0;
      case ZIP_SOURCE_READ:
        return read(static_cast<char*>(data), length);
      case ZIP_SOURCE_CLOSE:
      case ZIP_SOURCE_FREE:
        return 0;
      case ZIP_SOURCE_STAT: {
        auto* stat = static_cast<zip_stat_t*>(data);
        zip_stat_init(stat);
        stat->size = size_;
        stat->valid |= ZIP_STAT_SIZE;
        return sizeof(zip_stat_t);
      }
      case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&error_, data, length);
      case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                              ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
      default:
        zip_error_set(&error_, ZIP_ER_INVAL, 0);
        return -1;
    }
  }

  zip_int64_t read(char* data, zip_uint64_t length) {
    zip_uint64_t given = 0;
    try {
      while (given < length) {
        if (offset_ == pending_.size()) {
          pending_.clear();
          offset_ = 0;
          if (done_ || !stream_.next(pending_)) {
            done_ = true;
            break;
          }
        }
        const zip_uint64_t part =
            std::min<zip_uint64_t>(length - given, static_cast<zip_uint64_t>(pending_.size() - offset_));
        std::memcpy(data + given, pending_.constData() + offset_, part);
        given += part;
        offset_ += static_cast<qsizetype>(part);
      }
    } catch (...) {
      failure_ = std::current_exception();
      zip_error_set(&error_, ZIP_ER_INTERNAL, 0);
      return -1;
    }
    return static_cast<zip_int64_t>(given);
  }

  PartStream& stream_;
  zip_uint64_t size_ = 0;
  QByteArray pending_;
  qsizetype offset_ = 0;
  bool done_ = false;
  zip_error_t error_;
  std::exception_ptr failure_;
};

}  // namespace

FileFormat sniffFormat(const QByteArray& head) {
  static const char kOle[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
  if (head.startsWith(QByteArray::fromRawData(kOle, 8))) return FileFormat::LegacyOle;
  if (head.startsWith("PK\x03\x04")) return FileFormat::ZipPackage;
  return FileFormat::Other;
}

OoxmlPackage::OoxmlPackage(QByteArray bytes) : original_(std::move(bytes)) {
  ZipErrorText error;
  readerSource_ = zip_source_buffer_create(original_.constData(), static_cast<zip_uint64_t>(original_.size()),
                                           0, &error.error);
  if (readerSource_ == nullptr) throw PackageError("Cannot read the package: " + error.text());
  reader_ = zip_open_from_source(readerSource_, ZIP_RDONLY, &error.error);
  if (reader_ == nullptr) {
    zip_source_free(readerSource_);
    throw PackageError("The file is not a readable zip package: " + error.text());
  }
}

OoxmlPackage::~OoxmlPackage() {
  // Closing a read-only archive also frees the source it was opened from.
  if (reader_ != nullptr) zip_discard(reader_);
}

long long OoxmlPackage::locate(const std::string& name) const {
  return zip_name_locate(reader_, name.c_str(), ZIP_FL_ENC_GUESS);
}

bool OoxmlPackage::contains(const QString& part) const {
  const std::string key = partKey(part);
  if (written_.count(key) != 0 || streamed_.count(key) != 0) return true;
  if (removed_.count(key) != 0) return false;
  return locate(key) >= 0;
}

QByteArray OoxmlPackage::read(const QString& part) const {
  const std::string key = partKey(part);
  if (const auto found = written_.find(key); found != written_.end()) return found->second;
  if (const auto found = streamed_.find(key); found != streamed_.end()) {
    QByteArray whole;
    found->second->rewind();
    while (found->second->next(whole)) {
    }
    return whole;
  }
  const long long index = removed_.count(key) != 0 ? -1 : locate(key);
  if (index < 0) throw PackageError("The package lacks the part " + key + ".");
  zip_stat_t stat;
  zip_stat_init(&stat);
  if (zip_stat_index(reader_, static_cast<zip_uint64_t>(index), 0, &stat) != 0 ||
      !(stat.valid & ZIP_STAT_SIZE) || stat.size > (1ull << 31))
    throw PackageError("The part " + key + " cannot be read.");
  zip_file_t* file = zip_fopen_index(reader_, static_cast<zip_uint64_t>(index), 0);
  if (file == nullptr) throw PackageError("The part " + key + " cannot be read.");
  QByteArray content(static_cast<qsizetype>(stat.size), Qt::Uninitialized);
  const zip_int64_t got = stat.size == 0 ? 0 : zip_fread(file, content.data(), stat.size);
  zip_fclose(file);
  if (got != static_cast<zip_int64_t>(stat.size)) throw PackageError("The part " + key + " is damaged.");
  return content;
}

void OoxmlPackage::write(const QString& part, QByteArray content) {
  const std::string key = partKey(part);
  removed_.erase(key);
  streamed_.erase(key);
  written_[key] = std::move(content);
}

void OoxmlPackage::writeStream(const QString& part, std::shared_ptr<PartStream> stream) {
  const std::string key = partKey(part);
  removed_.erase(key);
  written_.erase(key);
  streamed_[key] = std::move(stream);
}

void OoxmlPackage::remove(const QString& part) {
  const std::string key = partKey(part);
  written_.erase(key);
  streamed_.erase(key);
  removed_.insert(key);
}

QByteArray OoxmlPackage::save() {
  if (written_.empty() && streamed_.empty() && removed_.empty()) return original_;
  // A fresh archive in memory, entries in their original order: untouched ones
  // are taken from the original, changed ones from written_. (Rewriting the
  // original buffer in place is avoided: libzip shares its memory when it
  // clones the unchanged head of an archive.) Streamed parts are produced
  // while they are compressed; their readers live until zip_close is done.
  std::vector<std::unique_ptr<StreamSource>> streamSources;
  ZipErrorText error;
  zip_source_t* source = zip_source_buffer_create(nullptr, 0, 0, &error.error);
  if (source == nullptr) throw PackageError("Cannot write the package: " + error.text());
  zip_t* writer = zip_open_from_source(source, ZIP_TRUNCATE, &error.error);
  if (writer == nullptr) {
    zip_source_free(source);
    throw PackageError("Cannot write the package: " + error.text());
  }
  zip_source_keep(source);
  const std::unique_ptr<zip_source_t, decltype(&zip_source_free)> sourceOwner(source, &zip_source_free);
  auto fail = [&](const std::string& what) {
    const std::string reason = zip_strerror(writer);
    zip_discard(writer);
    for (const std::unique_ptr<StreamSource>& stream : streamSources)
      if (stream->failure()) std::rethrow_exception(stream->failure());
    throw PackageError(what + ": " + reason);
  };
  auto add = [&](const std::string& name, zip_source_t* data) {
    if (data == nullptr) fail("Cannot store " + name);
    const zip_int64_t index = zip_file_add(writer, name.c_str(), data, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
      zip_source_free(data);
      fail("Cannot store " + name);
    }
    // libzip compresses hardest by default; a middle level is several times
    // faster on large sheets and hardly larger.
    zip_set_file_compression(writer, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, kCompressionLevel);
  };
  auto addWritten = [&](const std::string& name, const QByteArray& content) {
    // The buffers stay alive in written_ until zip_close has run.
    add(name, zip_source_buffer(writer, content.constData(), static_cast<zip_uint64_t>(content.size()), 0));
  };
  auto addStreamed = [&](const std::string& name, PartStream& stream) {
    streamSources.push_back(std::make_unique<StreamSource>(stream));
    add(name, zip_source_function(writer, &StreamSource::callback, streamSources.back().get()));
  };
  auto addChanged = [&](const std::string& name) {
    if (const auto found = written_.find(name); found != written_.end()) {
      addWritten(name, found->second);
      return true;
    }
    if (const auto found = streamed_.find(name); found != streamed_.end()) {
      addStreamed(name, *found->second);
      return true;
    }
    return false;
  };
  std::set<std::string> stored;
  const zip_int64_t count = zip_get_num_entries(reader_, 0);
  for (zip_int64_t index = 0; index < count; ++index) {
    const char* rawName = zip_get_name(reader_, static_cast<zip_uint64_t>(index), ZIP_FL_ENC_GUESS);
    if (rawName == nullptr) continue;
    const std::string name = rawName;
    if (removed_.count(name) != 0 || !stored.insert(name).second) continue;
    if (!addChanged(name))
      add(name, zip_source_zip(writer, reader_, static_cast<zip_uint64_t>(index), 0, 0, -1));
  }
  for (const auto& [name, content] : written_)
    if (stored.count(name) == 0) addWritten(name, content);
  for (const auto& [name, stream] : streamed_)
    if (stored.count(name) == 0) addStreamed(name, *stream);
  if (zip_close(writer) != 0) fail("Cannot write the package");
  return readWholeSource(source);
}
