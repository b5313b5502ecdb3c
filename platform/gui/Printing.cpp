#include "platform/gui/Printing.h"

#include <QPrinter>
#include <QTextDocument>
#include <atomic>
#include <memory>

namespace {
std::atomic<PrintService*> installed_service{nullptr};
}

QPrinter& Printer() {
  static QPrinter printer(QPrinter::HighResolution);
  return printer;
}

PrintService& Printing() {
  if (PrintService* service = installed_service.load()) return *service;
  static QtPrintService real;
  return real;
}

ScopedPrintService::ScopedPrintService(PrintService& service)
    : previous_(installed_service.exchange(&service)) {}
ScopedPrintService::~ScopedPrintService() { installed_service.store(previous_); }

bool QtPrintService::PrintDocument(QPrinter& printer, const QTextDocument& document, const QString& title) {
  printer.setDocName(title);
  // QTextDocument::print lays out a copy for the page size; it reports no
  // failure, so ask the printer whether it could start.
  if (!printer.isValid()) return false;
  document.print(&printer);
  return printer.printerState() != QPrinter::Error;
}

bool FakePrintService::PrintDocument(QPrinter&, const QTextDocument& document, const QString& title) {
  jobs_.push_back({title, document.toPlainText()});
  return true;
}
