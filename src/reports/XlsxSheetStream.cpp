#include "reports/XlsxSheetStream.h"

#include <QByteArray>

#include <stdexcept>

#include "reports/OoxmlPackage.h"
#include "reports/PackageXml.h"
#include "reports/XlsxSheetFill.h"

namespace xlsx {
namespace {

// Copies written per piece: large enough to keep the calls few, small enough
// to keep the piece small.
constexpr qsizetype kCopiesPerPiece = 64;

// A worksheet as the text of its document with the copies of its filled
// ranges written where their markers stand.
class SheetStream : public PartStream {
 public:
  SheetStream(const pugi::xml_document& document, std::vector<std::shared_ptr<CopyBlock>> blocks)
      : blocks_(std::move(blocks)) {
    const QByteArray text = ooxml::saveXml(document);
    const QByteArray marker = QByteArray("<") + kCopiesMarker + " id=\"";
    qsizetype done = 0;
    for (qsizetype at = text.indexOf(marker); at >= 0; at = text.indexOf(marker, done)) {
      const qsizetype idStart = at + marker.size();
      const qsizetype idEnd = text.indexOf('"', idStart);
      const qsizetype end = text.indexOf("/>", idEnd);
      bool ok = false;
      const int block = text.mid(idStart, idEnd - idStart).toInt(&ok);
      if (idEnd < 0 || end < 0 || !ok || block < 0 || block >= static_cast<int>(blocks_.size()))
        throw std::logic_error("A sheet's copies lost their place.");
      pieces_.push_back({text.mid(done, at - done), block});
      done = end + 2;
    }
    pieces_.push_back({text.mid(done), -1});
  }

  void rewind() override {
    piece_ = 0;
    copy_ = -1;
  }

  bool next(QByteArray& out) override {
    if (piece_ >= pieces_.size()) return false;
    const Piece& piece = pieces_[piece_];
    if (copy_ < 0) {
      out += piece.text;
      copy_ = 0;
    } else {
      const CopyBlock& block = *blocks_[static_cast<size_t>(piece.block)];
      for (const qsizetype end = std::min(copy_ + kCopiesPerPiece, block.copies()); copy_ < end; ++copy_)
        block.writeCopy(copy_, out);
    }
    if (piece.block < 0 || copy_ >= blocks_[static_cast<size_t>(piece.block)]->copies()) {
      ++piece_;
      copy_ = -1;
    }
    return true;
  }

 private:
  struct Piece {
    QByteArray text;  // written as it is
    int block;        // then the copies of this block; -1: none
  };
  std::vector<std::shared_ptr<CopyBlock>> blocks_;
  std::vector<Piece> pieces_;
  size_t piece_ = 0;
  qsizetype copy_ = -1;  // -1: the piece's text is next
};

}  // namespace

SheetCache::Sheet& SheetCache::load(const OoxmlPackage& package, const QString& part) {
  std::unique_ptr<Sheet>& sheet = sheets_[part];
  if (!sheet) {
    sheet = std::make_unique<Sheet>();
    ooxml::loadPart(package, part, sheet->document);
  }
  return *sheet;
}

SheetCache::Sheet* SheetCache::find(const QString& part) {
  const auto found = sheets_.find(part);
  return found == sheets_.end() ? nullptr : found->second.get();
}

void SheetCache::addCopies(Sheet& sheet, const SheetFill& fill) {
  if (!fill.copies()) return;
  fill.marker().append_attribute("id") = static_cast<int>(sheet.blocks.size());
  sheet.blocks.push_back(fill.copies());
}

void SheetCache::storeAll(OoxmlPackage& package) {
  for (auto& [part, sheet] : sheets_) {
    if (!sheet->changed) continue;
    if (sheet->blocks.empty())
      ooxml::storePart(package, part, sheet->document);
    else
      package.writeStream(part, std::make_shared<SheetStream>(sheet->document, sheet->blocks));
  }
}

}  // namespace xlsx
