#pragma once

#include <QByteArray>
#include <QString>

#include <stdexcept>
#include <vector>

#include "reports/ReportData.h"

// An error of the Excel report; what() is the text its own box shows (with a
// single Cancel button): "Template '...' not found.", "Range '...' not found.", ...
class XlsReportError : public std::runtime_error {
 public:
  explicit XlsReportError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

// The Excel template report: a new workbook made from the template
// (templatePath; .xlsx, .xltx, .xlsm or .xltm content whatever the extension),
// with each data source written into the defined name of its range. The
// template file itself is only read.
//
// In the template, a cell of the range that holds "<alias>.<Field>" (as text,
// or as a formula that Excel shows as #NAME?) takes the field's value; a text
// with such names among other words gets them replaced. The range's rows are
// repeated once per data row and the rows below move down. Values are written
// as text. With no data rows the range's cells are left empty.
class ExcelTemplateReport {
 public:
  QString templatePath;

  // The source must outlive build(). A template without the range is an
  // error, unless the range is optional: then the source is left out.
  enum class Range { Required, Optional };
  void addDataSource(const QString& alias, const QString& range, const ReportDataSource& source,
                     Range presence = Range::Required);

  // The finished workbook as .xlsx bytes. Throws XlsReportError.
  QByteArray build() const;

 private:
  struct Source {
    QString alias;
    QString range;
    const ReportDataSource* data;
    Range presence;
  };
  std::vector<Source> sources_;
};
