#pragma once

#include <QByteArray>
#include <QString>

#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>

struct zip;
struct zip_source;

// What the first bytes of a file say it is. Office Open XML documents are zip
// packages; the binary formats of Office 97-2003 are OLE compound files.
enum class FileFormat { ZipPackage, LegacyOle, Other };
FileFormat sniffFormat(const QByteArray& head);

// A package that cannot be read: not a zip, a damaged entry, a missing part.
class PackageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A part produced piece by piece while the package is saved (a worksheet of
// many rows), so that it is never held whole in memory. It is read twice:
// once to learn its size, once to compress it; both times it must yield the
// same bytes.
class PartStream {
 public:
  virtual ~PartStream() = default;
  // Starts over from the first piece.
  virtual void rewind() = 0;
  // Appends the next piece to `out`; false when there is none left.
  virtual bool next(QByteArray& out) = 0;
};

// An Office Open XML package held in memory. Parts are read from the original
// bytes; parts written or removed are applied when the package is saved, and
// every other entry of the archive is carried over untouched.
class OoxmlPackage {
 public:
  // Throws PackageError when the bytes are not a readable zip archive.
  explicit OoxmlPackage(QByteArray bytes);
  ~OoxmlPackage();
  OoxmlPackage(const OoxmlPackage&) = delete;
  OoxmlPackage& operator=(const OoxmlPackage&) = delete;

  // Part names are given without a leading slash ("word/document.xml").
  bool contains(const QString& part) const;
  QByteArray read(const QString& part) const;  // throws PackageError when absent
  void write(const QString& part, QByteArray content);
  // The part's content comes from the stream when the package is saved.
  void writeStream(const QString& part, std::shared_ptr<PartStream> stream);
  void remove(const QString& part);

  // The whole package with the changes applied (throws PackageError on failure).
  QByteArray save();

 private:
  long long locate(const std::string& name) const;

  QByteArray original_;
  zip_source* readerSource_ = nullptr;
  zip* reader_ = nullptr;
  std::map<std::string, QByteArray> written_;
  std::map<std::string, std::shared_ptr<PartStream>> streamed_;
  std::set<std::string> removed_;
};
