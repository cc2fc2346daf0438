#include "reports/OoxmlPackage.h"

#include <zip.h>

#include <memory>

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
  if (written_.count(key) != 0) return true;
  if (removed_.count(key) != 0) return false;
  return locate(key) >= 0;
}

QByteArray OoxmlPackage::read(const QString& part) const {
  const std::string key = partKey(part);
  if (const auto found = written_.find(key); found != written_.end()) return found->second;
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
  written_[key] = std::move(content);
}

void OoxmlPackage::remove(const QString& part) {
  const std::string key = partKey(part);
  written_.erase(key);
  removed_.insert(key);
}

QByteArray OoxmlPackage::save() {
  if (written_.empty() && removed_.empty()) return original_;
  // A fresh archive in memory, entries in their original order: untouched ones
  // are taken from the original, changed ones from written_. (Rewriting the
  // original buffer in place is avoided: libzip shares its memory when it
  // clones the unchanged head of an archive.)
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
  std::set<std::string> stored;
  const zip_int64_t count = zip_get_num_entries(reader_, 0);
  for (zip_int64_t index = 0; index < count; ++index) {
    const char* rawName = zip_get_name(reader_, static_cast<zip_uint64_t>(index), ZIP_FL_ENC_GUESS);
    if (rawName == nullptr) continue;
    const std::string name = rawName;
    if (removed_.count(name) != 0 || !stored.insert(name).second) continue;
    if (const auto found = written_.find(name); found != written_.end())
      addWritten(name, found->second);
    else
      add(name, zip_source_zip(writer, reader_, static_cast<zip_uint64_t>(index), 0, 0, -1));
  }
  for (const auto& [name, content] : written_)
    if (stored.count(name) == 0) addWritten(name, content);
  if (zip_close(writer) != 0) fail("Cannot write the package");
  return readWholeSource(source);
}
