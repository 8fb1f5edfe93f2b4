#include "browser/uAddressBox.h"

#include "common/uPathFunc.h"
#include "common/uRegistryHelper.h"
#include "platform/cp936/CodePage936Qt.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPainter>
#include <QSet>
#include <QStringListModel>
#include <QStyle>
#include <QStyleOption>

namespace {

const QString TypedKey = QStringLiteral("\\Software\\Microsoft\\Internet Explorer\\TypedURLs");

QString TypedName(int i) { return QStringLiteral("url%1").arg(i + 1); }

bool IsSuggestible(const QString &address) {
  return !address.isEmpty() && address.compare(QLatin1String("about:blank"), Qt::CaseInsensitive) != 0;
}

// The address without its scheme, as a user often leaves it out.
QStringView WithoutScheme(QStringView address) {
  for (QLatin1String scheme : {QLatin1String("http://"), QLatin1String("https://")})
    if (address.startsWith(scheme, Qt::CaseInsensitive))
      return address.mid(scheme.size());
  return address;
}

// ... and without "www." as well.
QStringView WithoutWww(QStringView address) {
  return address.startsWith(QLatin1String("www."), Qt::CaseInsensitive) ? address.mid(4) : address;
}

}  // namespace

QStringList ReadTypedAddresses() {
  QStringList typed;
  ReadHive(HKEY_CURRENT_USER, [&](const THiveAccess &hive) {
    for (int i = 0; i < TypedAddressLimit; ++i) {
      const auto value = hive.ReadValue(TypedKey, TypedName(i));
      if (!value || !value->IsString())
        break;
      if (!value->Text().isEmpty())
        typed.append(value->Text());
    }
  });
  return typed;
}

void AddTypedAddress(const QString &address) {
  if (address.isEmpty())
    return;
  // Read and rewritten under the hive's lock, so two browsers typing at once lose nothing.
  UpdateHive(HKEY_CURRENT_USER, [&](THiveAccess &hive) {
    QStringList typed{address};
    for (int i = 0; i < TypedAddressLimit; ++i) {
      const auto value = hive.ReadValue(TypedKey, TypedName(i));
      if (!value || !value->IsString())
        break;
      if (value->Text() != address && !value->Text().isEmpty())
        typed.append(value->Text());
    }
    for (int i = 0; i < typed.size() && i < TypedAddressLimit; ++i)
      hive.WriteValue(TypedKey, TypedName(i), TRegValue::String(typed[i]));
  });
}

QStringList ReadLoggedAddresses(int limit) {
  QStringList addresses;
  QString folder;
  try {
    folder = GetBrowseLogPath();
  } catch (const std::exception &) {
    return addresses;  // no data folder: no logs to suggest from
  }
  QSet<QString> seen;
  const QStringList days =
      QDir(folder).entryList({QStringLiteral("*-*-*.txt")}, QDir::Files, QDir::Name | QDir::Reversed);
  for (const QString &day : days) {
    QFile file(folder + day);
    if (!file.open(QIODevice::ReadOnly))
      continue;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
      // "[hh:mm]" + two blanks + the address + CR LF
      QByteArray raw = *line;
      if (raw.endsWith('\r'))
        raw.chop(1);
      if (raw.size() <= 9 || raw[0] != '[' || raw[6] != ']')
        continue;
      const QString address = FromCp936(raw.mid(9));
      if (!IsSuggestible(address) || seen.contains(address))
        continue;
      seen.insert(address);
      addresses.append(address);
      if (addresses.size() >= limit)
        return addresses;
    }
  }
  return addresses;
}

void TAddressSuggestions::Load() {
  QStringList pool = ReadTypedAddresses();
  QSet<QString> seen(pool.begin(), pool.end());
  for (const QString &address : ReadLoggedAddresses(LogLimit))
    if (!seen.contains(address)) {
      seen.insert(address);
      pool.append(address);
    }
  FPool = std::move(pool);
}

QStringList TAddressSuggestions::Match(const QString &text, int max) const {
  QStringList found;
  const QStringView typed = QStringView(text).trimmed();
  if (typed.isEmpty())
    return found;
  for (const QString &address : FPool) {
    if (found.size() >= max)
      break;
    const QStringView bare = WithoutScheme(address);
    if (address.startsWith(typed, Qt::CaseInsensitive) || bare.startsWith(typed, Qt::CaseInsensitive) ||
        WithoutWww(bare).startsWith(typed, Qt::CaseInsensitive))
      found.append(address);
  }
  return found;
}

// ---------------------------------------------------------------------------------------------
TAddressBox::TAddressBox(QWidget *parent)
    : QComboBox(parent), FCompleter(new QCompleter(this)), FModel(new QStringListModel(this)) {
  setEditable(true);
  setFrame(false);
  setInsertPolicy(QComboBox::NoInsert);
  setLayoutDirection(Qt::LeftToRight);
  setAttribute(Qt::WA_InputMethodEnabled, false);
  // The combo box's own completion from its items is off; the suggestions below replace it.
  setCompleter(nullptr);
  lineEdit()->setFrame(false);

  FCompleter->setModel(FModel);
  FCompleter->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
  FCompleter->setCaseSensitivity(Qt::CaseInsensitive);
  FCompleter->setWidget(lineEdit());
  connect(FCompleter, qOverload<const QString &>(&QCompleter::activated), this,
          [this](const QString &address) { setEditText(address); });
  connect(FCompleter, qOverload<const QString &>(&QCompleter::highlighted), this,
          [this](const QString &address) { lineEdit()->setText(address); });
  connect(lineEdit(), &QLineEdit::textEdited, this, &TAddressBox::Suggest);
}

void TAddressBox::SetBorderColor(const QColor &value) {
  FBorderColor = value;
  update();
}

void TAddressBox::SetOnBtnPaint(TBtnPaintEvent handler) {
  FOnBtnPaint = std::move(handler);
  update();
}

QRect TAddressBox::ButtonRect() const {
  QRect button = rect();
  button.setLeft(button.right() + 1 - style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this));
  return button;
}

void TAddressBox::Suggest(const QString &text) {
  if (FSuggestionsStale) {
    FSuggestions.Load();
    FSuggestionsStale = false;
  }
  const QStringList found = FSuggestions.Match(text, 12);
  FModel->setStringList(found);
  if (found.isEmpty()) {
    FCompleter->popup()->hide();
    return;
  }
  FCompleter->setCompletionPrefix(QString());
  FCompleter->complete();
}

void TAddressBox::showPopup() {
  // The list shows the typed addresses as they are now, which another browser may have changed.
  const QString text = currentText();
  clear();
  addItems(ReadTypedAddresses());
  setEditText(text);
  QComboBox::showPopup();
}

void TAddressBox::paintEvent(QPaintEvent *) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Base));
  const QRect button = ButtonRect();
  if (FOnBtnPaint) {
    FOnBtnPaint(button, painter, view()->isVisible());
  } else {
    QStyleOption option;
    option.initFrom(this);
    option.rect = button.adjusted(3, 3, -3, -3);
    style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &option, &painter, this);
  }
  painter.setBrush(Qt::NoBrush);
  painter.setPen(FBorderColor.isValid() ? FBorderColor : palette().color(QPalette::Base));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

// The edit field lies inside the one-pixel frame, left of the drop-down button.
void TAddressBox::PlaceEditField() {
  const QRect button = ButtonRect();
  lineEdit()->setGeometry(QRect(QPoint(3, 1), QPoint(button.left() - 2, height() - 2)));
}

void TAddressBox::resizeEvent(QResizeEvent *event) {
  QComboBox::resizeEvent(event);
  PlaceEditField();
}

void TAddressBox::showEvent(QShowEvent *event) {
  QComboBox::showEvent(event);
  PlaceEditField();
}

void TAddressBox::focusInEvent(QFocusEvent *event) {
  FSuggestionsStale = true;  // new logs and typed addresses since the last visit count
  QComboBox::focusInEvent(event);
}

void TAddressBox::enterEvent(QEnterEvent *event) {
  update();
  QComboBox::enterEvent(event);
}
