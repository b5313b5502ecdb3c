#include "platform/gui/FolderBrowser.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

QString WithoutTrailingSlash(QString path) {
  while (path.size() > 1 && path.endsWith('/')) path.chop(1);
  return path;
}

}  // namespace

QString FitStatusLine(const QString& text, const QFontMetrics& metrics, int width) {
  if (metrics.horizontalAdvance(text) <= width) return text;
  const QFileInfo info(text);
  if (!text.isEmpty() && info.isDir()) {
    // Folder parts go from the left: "/a/b/c/name" -> ".../b/c/name" ->
    // ".../c/name" -> ".../name" -> "name".
    const QString path = WithoutTrailingSlash(text);
    QStringList parts = path.split('/', Qt::SkipEmptyParts);
    const QString name = parts.isEmpty() ? path : parts.takeLast();
    while (!parts.isEmpty()) {
      parts.removeFirst();
      const QString candidate = ".../" + (parts.isEmpty() ? QString() : parts.join('/') + "/") + name;
      if (metrics.horizontalAdvance(candidate) <= width) return candidate;
    }
    if (metrics.horizontalAdvance(name) <= width) return name;
  }
  QString cut = text;
  while (!cut.isEmpty()) {
    cut.chop(1);
    // Never split a surrogate pair.
    if (!cut.isEmpty() && cut.back().isHighSurrogate()) cut.chop(1);
    if (metrics.horizontalAdvance(cut + "...") <= width) return cut + "...";
  }
  return QString();
}

TFolderBrowserDialog::TFolderBrowserDialog(const FolderBrowseRequest& request, QWidget* parent)
    : QDialog(parent), request_(request) {
  setWindowTitle(request.caption.isEmpty() ? QStringLiteral("Browse for Folder") : request.caption);
  auto* layout = new QVBoxLayout(this);
  if (!request.title.isEmpty()) {
    auto* title = new QLabel(request.title, this);
    title->setWordWrap(true);
    layout->addWidget(title);
  }
  if (request.status_line) {
    status_ = new QLabel(this);
    status_->setObjectName("status");
    status_->setMinimumWidth(1);
    layout->addWidget(status_);
  }
  model_ = new QFileSystemModel(this);
  model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  const QString root = request.root.isEmpty() ? QStringLiteral("/") : request.root;
  model_->setRootPath(root);
  tree_ = new QTreeView(this);
  tree_->setModel(model_);
  tree_->setRootIndex(model_->index(root));
  tree_->setHeaderHidden(true);
  for (int column = 1; column < model_->columnCount(); ++column) tree_->hideColumn(column);
  layout->addWidget(tree_, 1);
  if (request.edit_box) {
    auto* label = new QLabel(QStringLiteral("Folder:"), this);
    edit_ = new QLineEdit(this);
    label->setBuddy(edit_);
    layout->addWidget(label);
    layout->addWidget(edit_);
  }
  buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  layout->addWidget(buttons_);
  connect(buttons_, &QDialogButtonBox::accepted, this, &TFolderBrowserDialog::accept);
  connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { SelectionChanged(); });
  resize(340, 380);

  if (!request.start.isEmpty()) SelectFolder(request.start);
  if (request.on_initialized) request.on_initialized(*this);
  if (request.center) {
    if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen()) {
      const QRect area = screen->availableGeometry();
      move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
  }
}

QString TFolderBrowserDialog::SelectedFolder() const {
  const QModelIndex current = tree_->currentIndex();
  return current.isValid() ? model_->filePath(current) : QString();
}

void TFolderBrowserDialog::SelectFolder(const QString& path) {
  const QModelIndex index = model_->index(WithoutTrailingSlash(path));
  if (!index.isValid()) return;
  tree_->setCurrentIndex(index);
  tree_->scrollTo(index);
}

void TFolderBrowserDialog::SetStatusText(const QString& text, bool fit) {
  status_full_ = text;
  if (!status_) return;
  status_->setText(fit ? FitStatusLine(text, status_->fontMetrics(), status_->contentsRect().width()) : text);
  status_->setToolTip(text);
}

QString TFolderBrowserDialog::StatusText() const { return status_ ? status_->text() : QString(); }

void TFolderBrowserDialog::SetOkEnabled(bool enabled) { buttons_->button(QDialogButtonBox::Ok)->setEnabled(enabled); }

bool TFolderBrowserDialog::OkEnabled() const { return buttons_->button(QDialogButtonBox::Ok)->isEnabled(); }

void TFolderBrowserDialog::SelectionChanged() {
  const QString folder = SelectedFolder();
  if (edit_) edit_->setText(QFileInfo(folder).fileName().isEmpty() ? folder : QFileInfo(folder).fileName());
  if (request_.on_selection_changed) request_.on_selection_changed(folder);
}

void TFolderBrowserDialog::accept() {
  chosen_ = SelectedFolder();
  if (edit_) {
    // A typed name counts below the chosen folder; a typed path as it is.
    const QString typed = edit_->text().trimmed();
    const QString name_of_chosen = QFileInfo(chosen_).fileName();
    if (!typed.isEmpty() && typed != name_of_chosen && typed != chosen_) {
      const QString path = QDir::isAbsolutePath(typed) ? typed : QDir(chosen_).filePath(typed);
      if (QFileInfo(path).isDir()) {
        chosen_ = QDir::cleanPath(path);
      } else if (!request_.on_validate_failed || !request_.on_validate_failed(typed)) {
        return;  // stays open for another try
      }
    }
  }
  if (chosen_.isEmpty()) return;
  QDialog::accept();
}
