#include "appcentre/uImageBox.h"
#include "controls/uSkin.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {
// The toolkit's panel bevel: not drawn, but it narrows the client area on every side.
constexpr int Bevel = 1;

int CeilDiv(int a, int b) { return b > 0 ? (a + b - 1) / b : 0; }
}  // namespace

// ---------------------------------------------------------------- TFlowItem

TFlowItem::TFlowItem(QWidget *parent) : QWidget(parent) {}

void TFlowItem::SetCaption(const QString &value) {
  if (value == FCaption)
    return;
  FCaption = value;
  update();
}

void TFlowItem::SetPicture(const TPicture &value) {
  FPicture = value;
  update();
}

QRect TFlowItem::CaptionRect() const {
  return QRect(QPoint(0, FPicture.Height() + 5), QPoint(width() - 1, height() - 1));
}

void TFlowItem::paintEvent(QPaintEvent *) {
  if (FPicture.IsEmpty())
    return;
  QPainter painter(this);
  FPicture.Draw(painter, 0, 0);
  painter.setFont(font());
  const QRect text = CaptionRect();
  painter.drawText(text, Qt::AlignHCenter | Qt::AlignTop,
                   QFontMetrics(font()).elidedText(FCaption, Qt::ElideRight, text.width()));
}

void TFlowItem::mousePressEvent(QMouseEvent *event) { FPressed = event->button() == Qt::LeftButton; }

void TFlowItem::mouseReleaseEvent(QMouseEvent *event) {
  const bool click = FPressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  FPressed = false;
  if (click && FOnClick)
    FOnClick(this);
}

// ---------------------------------------------------------------- TFlowPanelEx

TFlowPanelEx::TFlowPanelEx(QWidget *parent) : QWidget(parent) { setObjectName(QStringLiteral("FlowPanelEx")); }

void TFlowPanelEx::AddCell(PDragCell PCell) {
  if (!PCell)
    return;
  auto *item = new TFlowItem(this);
  item->SetCaption(PCell->sCaption);
  item->setToolTip(PCell->sCaption);
  item->SetData(PCell);
  item->SetPicture(PCell->sPicture);
  item->resize(FCellWidth, FCellHeight);
  item->setFont(font());
  QPalette palette = item->palette();
  palette.setColor(QPalette::WindowText, this->palette().color(QPalette::WindowText));
  item->setPalette(palette);
  item->SetAlignWithMargins(FCellAlignWithMargins);
  item->SetMargins(FCellMargins);
  item->SetOnClick([this](TFlowItem *sender) {
    if (FCellClick)
      FCellClick(sender->Data());
  });
  FCells.push_back(item);
  Relayout();
  item->show();
}

void TFlowPanelEx::RemoveAllCell() {
  for (TFlowItem *cell : FCells)
    delete cell;
  FCells.clear();
}

void TFlowPanelEx::resizeEvent(QResizeEvent *) { Relayout(); }

void TFlowPanelEx::Relayout() {
  const QRect client = rect().adjusted(Bevel, Bevel, -Bevel, -Bevel);
  int x = client.left();
  int y = client.top();
  int rowHeight = 0;
  bool rowStart = true;
  for (TFlowItem *cell : FCells) {
    const QMargins m = cell->AlignWithMargins() ? cell->Margins() : QMargins();
    const int across = cell->width() + m.left() + m.right();
    const int down = cell->height() + m.top() + m.bottom();
    if (!rowStart && x + across > client.right() + 1) {
      x = client.left();
      y += rowHeight;
      rowHeight = 0;
    }
    cell->move(x + m.left(), y + m.top());
    x += across;
    rowHeight = std::max(rowHeight, down);
    rowStart = false;
  }
}

// ---------------------------------------------------------------- TDlpPager

TDlpPager::TDlpPager(QWidget *parent) : QWidget(parent) {
  setObjectName(QStringLiteral("DlpPager"));
  Recompute();
}

void TDlpPager::Recompute() {
  FPageMax = CeilDiv(FPageCount, FPageSize);
  setVisible(!FAutoShow || FPageMax > 1);
  update();
}

void TDlpPager::SetPageSize(int32_t value) {
  FPageSize = value;
  Recompute();
}

void TDlpPager::SetPageCount(int32_t value) {
  FPageCount = value;
  Recompute();
}

void TDlpPager::SetPNumHeight(int32_t value) {
  FPNumHeight = value;
  Recompute();
}

void TDlpPager::SetPNumWidth(int32_t value) {
  FPNumWidth = value;
  Recompute();
}

void TDlpPager::SetNumMargins(const QMargins &value) {
  FNumMargins = value;
  update();
}

void TDlpPager::SetUpPic(const TPicture &value) {
  FUpPic = value;
  update();
}

void TDlpPager::SetDownPic(const TPicture &value) {
  FDownPic = value;
  update();
}

void TDlpPager::SetCurNumPic(const TPicture &value) {
  FCurNumPic = value;
  update();
}

void TDlpPager::SetBgPic(const TPicture &value) {
  FBgPic = value;
  update();
}

void TDlpPager::SetAutoShow(bool value) {
  FAutoShow = value;
  setVisible(!FAutoShow || FPageMax > 1);
}

void TDlpPager::SetMargins(const QMargins &value) {
  FMargins = value;
  updateGeometry();  // the box places its pager again
}

int TDlpPager::GetNumsPerScreen() const {
  if (FPNumWidth <= 0)
    return 0;
  return (width() - FDownPic.Width() - FUpPic.Width() - FNumMargins.left()) / FPNumWidth;
}

void TDlpPager::ForEachNumber(const std::function<bool(int n, const QRect &box)> &visit) const {
  const int perScreen = GetNumsPerScreen();
  // A bar too narrow for one number shows none (and nothing divides by zero).
  if (perScreen < 1)
    return;
  const int first = perScreen * FCurScreen;
  if (FPageMax <= first)
    return;
  int left = 0;
  int right = FUpPic.Width() + FNumMargins.left();
  for (int n = first + 1;; ++n) {
    left = right;
    right += FPNumWidth;
    if (!visit(n, QRect(QPoint(left, 0), QPoint(right - 1, FUpPic.Height() - 1))))
      return;
    if (n % perScreen == 0 || n == FPageMax)
      return;
  }
}

QRect TDlpPager::NumberRect(int n) const {
  QRect found;
  ForEachNumber([&](int number, const QRect &box) {
    if (number == n)
      found = box;
    return number != n;
  });
  return found;
}

int TDlpPager::GetIndexAtPos(const QPoint &point) const {
  if (QRect(width() - FDownPic.Width(), 0, FDownPic.Width(), FDownPic.Height()).contains(point))
    return -200;
  if (QRect(0, 0, FUpPic.Width(), FUpPic.Height()).contains(point))
    return -100;
  int hit = -1;
  ForEachNumber([&](int n, const QRect &box) {
    if (box.contains(point))
      hit = n;
    return hit < 0;
  });
  return hit;
}

void TDlpPager::paintEvent(QPaintEvent *) {
  QPainter painter(this);
  painter.setFont(font());
  painter.setPen(palette().color(QPalette::WindowText));
  FBgPic.StretchDraw(painter, rect());
  FUpPic.Draw(painter, 0, 0);
  ForEachNumber([&](int n, const QRect &box) {
    painter.drawText(box, Qt::AlignCenter, QString::number(n));
    if (n == FPCurIndex)
      FCurNumPic.StretchDraw(painter, box);
    return true;
  });
  FDownPic.Draw(painter, width() - FDownPic.Width(), 0);
}

void TDlpPager::mouseReleaseEvent(QMouseEvent *event) {
  const QPoint point = event->position().toPoint();
  if (!rect().contains(point))
    return;
  const int32_t old = FPCurIndex;
  const int perScreen = GetNumsPerScreen();
  const int k = GetIndexAtPos(point);
  if (k == -100) {
    if (FCurScreen > 0) {
      --FCurScreen;
      FPCurIndex = perScreen * FCurScreen + 1;
    }
  } else if (k == -200) {
    if (CeilDiv(FPageMax, perScreen) > FCurScreen + 1) {
      ++FCurScreen;
      FPCurIndex = perScreen * FCurScreen + 1;
    }
  } else if (k > 0) {
    FPCurIndex = k;
  }
  update();
  if (FPCurIndex != old && FOnPageChange)
    FOnPageChange(old, FPCurIndex);
}

// ---------------------------------------------------------------- TImageBox

TImageBox::TImageBox(QWidget *parent)
    : QWidget(parent), FFlowPanel(new TFlowPanelEx(this)), FPager(new TDlpPager(this)) {
  FPager->resize(FPager->width(), 13);
  FPager->SetPNumHeight(10);
  FPager->SetPNumWidth(13);
  FPager->SetOnPageChange([this](int32_t OldIndex, int32_t NewIndex) { PageChange(OldIndex, NewIndex); });
  FPager->installEventFilter(this);
  Realign();
}

TImageBox::~TImageBox() {
  // The cell controls point at the records: they go first.
  FFlowPanel->RemoveAllCell();
}

int TImageBox::AddItem(std::unique_ptr<TDragCell> Cell) {
  if (!Cell)
    return -1;
  const int index = int(FItems.size());
  Cell->sIndex = index;
  FItems.push_back(std::move(Cell));
  if (FFlowPanel->CellCount() < FPager->PageSize())
    FFlowPanel->AddCell(FItems.back().get());
  FPager->SetPageCount(int32_t(FItems.size()));
  return index;
}

PDragCell TImageBox::GetItem(int aIndex) const {
  if (aIndex < 0 || aIndex >= Count())
    return nullptr;
  return FItems[size_t(aIndex)].get();
}

bool TImageBox::DeleteItem(int Index) {
  if (Index < 0 || Index >= Count())
    return false;
  FItems.erase(FItems.begin() + Index);
  return true;
}

void TImageBox::PageChange(int32_t, int32_t NewIndex) {
  FFlowPanel->RemoveAllCell();
  for (int i = (NewIndex - 1) * FPager->PageSize();
       i >= 0 && i < Count() && FFlowPanel->CellCount() < FPager->PageSize(); ++i)
    FFlowPanel->AddCell(FItems[size_t(i)].get());
  if (parentWidget())
    parentWidget()->update();
}

void TImageBox::resizeEvent(QResizeEvent *) { Realign(); }

bool TImageBox::eventFilter(QObject *watched, QEvent *event) {
  if (watched == FPager && (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent))
    Realign();
  return QWidget::eventFilter(watched, event);
}

bool TImageBox::event(QEvent *event) {
  if (event->type() == QEvent::LayoutRequest)
    Realign();
  return QWidget::event(event);
}

void TImageBox::Realign() {
  QRect client = rect().adjusted(Bevel, Bevel, -Bevel, -Bevel);
  if (!FPager->isHidden()) {
    const QMargins m = FPager->Margins();
    const int height = FPager->height();
    const int top = client.bottom() + 1 - m.bottom() - height;
    FPager->setGeometry(client.left() + m.left(), top, client.width() - m.left() - m.right(), height);
    client.setBottom(top - m.top() - 1);
  }
  FFlowPanel->setGeometry(client);
}

void ApplyBoxLook(TImageBox *box, const TBoxLook &look) {
  QFont font(QStringLiteral("Tahoma"));
  font.setPixelSize(11);
  QPalette white = box->palette();
  white.setColor(QPalette::WindowText, Qt::white);

  TFlowPanelEx *flow = box->FlowPanel();
  flow->SetCellWidth(50);
  flow->SetCellHeight(68);
  flow->SetCellMargins(look.CellMargins);
  flow->setFont(font);
  flow->setPalette(white);

  TDlpPager *pager = box->Pager();
  pager->SetMargins(look.PagerMargins);
  pager->SetPageSize(look.iPageSize);
  pager->SetPNumHeight(look.iPNumHeight);
  pager->SetPNumWidth(13);
  pager->SetNumMargins(look.NumMargins);
  pager->SetUpPic(SkinPicture(QStringLiteral("pager_up.png")));
  pager->SetDownPic(SkinPicture(QStringLiteral("pager_down.png")));
  pager->SetCurNumPic(SkinPicture(QStringLiteral("pager_cur.png")));
  pager->SetBgPic(SkinPicture(look.sPagerBackground));
  pager->SetAutoShow(true);
  pager->setFont(font);
  pager->setPalette(white);
}
