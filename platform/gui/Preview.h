#pragma once
// Windows that `gui-preview` (and scripts/screenshot) can show by name.
// Libraries and the program register theirs; the preview tool adds a few
// test windows of the class library itself.

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class TCustomForm;

using PreviewFactory = std::function<std::unique_ptr<TCustomForm>()>;

void RegisterPreviewWindow(const QString& name, PreviewFactory factory);
QStringList PreviewWindowNames();

// Runs the preview command line: `<window> [--output file.png] [--screen]
// [--list]`. Shows the window, lets it paint, saves a PNG of it (of the
// screen's pixels with --screen) and returns the exit code. Needs the
// QApplication to exist.
int RunPreview(const QStringList& arguments);
