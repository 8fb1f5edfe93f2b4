#pragma once
// The address box: a flat editable combo box with a one-pixel frame of its own colour. While
// an address is typed it suggests, newest first and without duplicates, the addresses typed
// before and those of the browse logs; its drop-down list holds the typed addresses.
#include <QColor>
#include <QComboBox>
#include <QString>
#include <QStringList>
#include <functional>

class QCompleter;
class QStringListModel;

// The addresses typed into the address box, newest first, kept in the registry where the
// system's browser keeps its typed addresses (values url1..url25).
QStringList ReadTypedAddresses();
// Puts an address at the front of the typed addresses (moving it when it is there already).
// An empty address is ignored; a registry that cannot be written skips silently.
void AddTypedAddress(const QString &address);
inline constexpr int TypedAddressLimit = 25;

// The addresses of the browse logs, newest day and newest line first, without duplicates and
// without "about:blank", at most `limit` of them. Logs that cannot be read give nothing.
QStringList ReadLoggedAddresses(int limit);

// The pool of suggestions and the matching of typed text against it.
class TAddressSuggestions {
public:
  // Reads the typed addresses, then the logged ones, into one list without duplicates.
  void Load();
  void SetPool(QStringList pool) { FPool = std::move(pool); }
  const QStringList &Pool() const { return FPool; }
  // The addresses that start with `text`, also when the text leaves out the scheme and
  // "www." (so "exa" finds "http://www.example.com/"); case does not matter. In pool order.
  QStringList Match(const QString &text, int max) const;

  static constexpr int LogLimit = 500;

private:
  QStringList FPool;
};

class TAddressBox : public QComboBox {
  Q_OBJECT
public:
  // Paints the drop-down button into rect; droppedDown tells whether the list is open.
  using TBtnPaintEvent = std::function<void(const QRect &rect, QPainter &canvas, bool droppedDown)>;

  explicit TAddressBox(QWidget *parent = nullptr);

  // The frame's colour; an invalid colour (the colour value "none") uses the control's own.
  QColor BorderColor() const { return FBorderColor; }
  void SetBorderColor(const QColor &value);
  void SetOnBtnPaint(TBtnPaintEvent handler);

  // The drop-down button's area: the right edge, as wide as a scroll bar's thumb.
  QRect ButtonRect() const;

  TAddressSuggestions &Suggestions() { return FSuggestions; }
  QCompleter *SuggestionPopup() const { return FCompleter; }
  // Shows the suggestions for the text typed so far (done on every edit by the user).
  void Suggest(const QString &text);

  void showPopup() override;

protected:
  void paintEvent(QPaintEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;
  void showEvent(QShowEvent *event) override;
  void focusInEvent(QFocusEvent *event) override;
  void enterEvent(QEnterEvent *event) override;

private:
  void PlaceEditField();

  QColor FBorderColor{Qt::black};
  TBtnPaintEvent FOnBtnPaint;
  TAddressSuggestions FSuggestions;
  bool FSuggestionsStale = true;
  QCompleter *FCompleter;
  QStringListModel *FModel;
};
