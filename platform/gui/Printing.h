#pragma once
// Printing: the program's one printer (the dialogs set it up) and a small
// service that prints a document on it, with a fake for tests.

#include <QString>
#include <vector>

class QPrinter;
class QTextDocument;

// The program's printer, made on first use.
QPrinter& Printer();

class PrintService {
 public:
  virtual ~PrintService() = default;
  // Prints `document` on `printer` with `title` as the job name; false when
  // the printer could not start.
  virtual bool PrintDocument(QPrinter& printer, const QTextDocument& document, const QString& title) = 0;
};

// The service in force (the real one unless a test installed another).
PrintService& Printing();

class ScopedPrintService {
 public:
  explicit ScopedPrintService(PrintService& service);
  ~ScopedPrintService();
  ScopedPrintService(const ScopedPrintService&) = delete;
  ScopedPrintService& operator=(const ScopedPrintService&) = delete;

 private:
  PrintService* previous_;
};

class QtPrintService final : public PrintService {
 public:
  bool PrintDocument(QPrinter& printer, const QTextDocument& document, const QString& title) override;
};

// Records what would have been printed.
class FakePrintService final : public PrintService {
 public:
  struct Job {
    QString title;
    QString text;
  };
  bool PrintDocument(QPrinter& printer, const QTextDocument& document, const QString& title) override;
  const std::vector<Job>& Jobs() const { return jobs_; }

 private:
  std::vector<Job> jobs_;
};
