#pragma once

#include <QString>

#include <pugixml.hpp>

#include <map>
#include <memory>
#include <vector>

#include "reports/XlsxCopyBlock.h"

class OoxmlPackage;

namespace xlsx {

class SheetFill;

// The worksheets a report changes, kept as documents while the report is made
// and put into the package at the end. A sheet with filled ranges goes in as
// a stream: the copies of its template rows are written out while the package
// compresses them, so that a sheet of many rows is never whole in memory.
class SheetCache {
 public:
  struct Sheet {
    pugi::xml_document document;
    std::vector<std::shared_ptr<CopyBlock>> blocks;  // indexed by their marker's "id"
    bool changed = false;
  };

  // The sheet's document, read from the package the first time.
  Sheet& load(const OoxmlPackage& package, const QString& part);
  // The sheet when it has been read; null otherwise.
  Sheet* find(const QString& part);
  // Takes a fill's copies (when it made any) into the sheet it filled.
  static void addCopies(Sheet& sheet, const SheetFill& fill);
  // Every changed sheet into the package.
  void storeAll(OoxmlPackage& package);

 private:
  std::map<QString, std::unique_ptr<Sheet>> sheets_;
};

}  // namespace xlsx
