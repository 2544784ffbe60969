#include "LayoutCheck.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSet>
#include <QTabBar>
#include <QTableWidget>
#include <QTextDocument>
#include <QToolButton>

#include <vector>

#include "controls/kxLCDmeter.h"

namespace {

// The smallest side a control can be used with.
constexpr int MinimumSide = 8;

// A button or label caption as drawn: "&&" is one ampersand, a single "&" marks the shortcut.
QString Drawn(QString text) {
  text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
  text.remove(QLatin1Char('&'));
  text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
  return text;
}

int TextWidth(const QFontMetrics& fm, const QString& text) {
  int widest = 0;
  for (const QString& line : text.split(QLatin1Char('\n')))
    widest = std::max(widest, fm.horizontalAdvance(line));
  return widest;
}

QString Describe(const QWidget* w) {
  QString name = w->objectName();
  if (name.isEmpty()) {
    name = QString::fromLatin1(w->metaObject()->className());
    QString text;
    if (auto* b = qobject_cast<const QAbstractButton*>(w)) text = b->text();
    if (auto* l = qobject_cast<const QLabel*>(w)) text = l->text();
    if (auto* g = qobject_cast<const QGroupBox*>(w)) text = g->title();
    if (!text.isEmpty()) name += QStringLiteral(" \"%1\"").arg(Drawn(text).left(40));
    for (const QWidget* p = w->parentWidget(); p && !p->isWindow(); p = p->parentWidget()) {
      if (!p->objectName().isEmpty() && !p->objectName().startsWith(QLatin1String("qt_"))) {
        name += QStringLiteral(" in ") + p->objectName();
        break;
      }
    }
  }
  return name;
}

// Parts Qt builds into its own widgets (scroll bars of lists, the tab bar's arrows, the line edit
// of a spin box) are checked as part of the widget that holds them.
bool IsInnerPart(const QWidget* w) {
  if (w->objectName().startsWith(QLatin1String("qt_"))) return true;
  for (const QWidget* p = w->parentWidget(); p && !p->isWindow(); p = p->parentWidget()) {
    if (p->objectName().startsWith(QLatin1String("qt_scrollarea_"))) return true;
    if (qobject_cast<const QTabBar*>(p) || qobject_cast<const QHeaderView*>(p) ||
        qobject_cast<const QAbstractSpinBox*>(p) || qobject_cast<const QComboBox*>(p))
      return true;
    if (qobject_cast<const QAbstractItemView*>(p)) return true;  // cell editors
  }
  return false;
}

bool IsControl(const QWidget* w) {
  if (auto* l = qobject_cast<const QLabel*>(w))
    return !l->text().isEmpty() || !l->pixmap().isNull();
  return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QGroupBox*>(w) ||
         qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractItemView*>(w) ||
         qobject_cast<const QAbstractSlider*>(w) || qobject_cast<const QProgressBar*>(w) ||
         qobject_cast<const QComboBox*>(w) || qobject_cast<const QTabBar*>(w) ||
         qobject_cast<const QMenuBar*>(w) || qobject_cast<const TkxLCDmeter*>(w);
}

// The part of the window where `w` can be seen: its rectangle clipped by every parent's. A scroll
// area's content may run past the viewport; what lies beyond is reached by scrolling.
QRect VisiblePart(const QWidget* w, const QWidget* window, bool* scrolled) {
  QRect part(w->mapTo(window, QPoint(0, 0)), w->size());
  *scrolled = false;
  for (const QWidget* p = w->parentWidget(); p; p = p->parentWidget()) {
    const QRect clip(p->mapTo(window, QPoint(0, 0)), p->size());
    if (!clip.contains(part)) {
      auto* area = qobject_cast<const QAbstractScrollArea*>(p->parentWidget());
      if (area && area->viewport() == p) *scrolled = true;
    }
    part &= clip;
    if (p == window) break;
  }
  return part;
}

int Colours(const QImage& picture, const QRect& area) {
  QSet<QRgb> colours;
  const QRect inside = area & picture.rect();
  for (int y = inside.top(); y <= inside.bottom(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
    for (int x = inside.left(); x <= inside.right(); ++x) {
      colours.insert(line[x]);
      if (colours.size() > 1) return int(colours.size());
    }
  }
  return int(colours.size());
}

// Room needed by the caption of a control, beyond which its text is cut; 0 when none.
int NeededWidth(const QWidget* w) {
  const QFontMetrics fm = w->fontMetrics();
  if (auto* l = qobject_cast<const QLabel*>(w)) {
    if (l->wordWrap() || l->text().isEmpty() || Qt::mightBeRichText(l->text())) return 0;
    const QString text = l->buddy() ? Drawn(l->text()) : l->text();
    return TextWidth(fm, text) + 2 * l->margin() + std::max(l->indent(), 0) +
           (l->width() - l->contentsRect().width());
  }
  if (qobject_cast<const QCheckBox*>(w) || qobject_cast<const QRadioButton*>(w))
    return w->sizeHint().width();
  if (auto* b = qobject_cast<const QPushButton*>(w))
    return b->text().isEmpty() ? 0 : TextWidth(fm, Drawn(b->text())) + 6;
  if (auto* b = qobject_cast<const QToolButton*>(w))
    return b->toolButtonStyle() == Qt::ToolButtonIconOnly || b->text().isEmpty()
               ? 0
               : TextWidth(fm, Drawn(b->text())) + 4;
  if (auto* g = qobject_cast<const QGroupBox*>(w))
    return g->title().isEmpty() ? 0 : TextWidth(fm, Drawn(g->title())) + 12;
  if (auto* e = qobject_cast<const QLineEdit*>(w))
    return e->text().isEmpty() ? 0 : fm.horizontalAdvance(e->text()) + 8;
  if (auto* p = qobject_cast<const QProgressBar*>(w))
    return p->isTextVisible() ? fm.horizontalAdvance(p->text()) + 8 : 0;
  return 0;
}

// Texts of items cut by their list or cell.
void CheckItems(const QWidget* w, const QString& where, QStringList& faults) {
  if (auto* table = qobject_cast<const QTableWidget*>(w)) {
    const QRect view = table->viewport()->rect();
    for (int r = 0; r < table->rowCount(); ++r) {
      for (int c = 0; c < table->columnCount(); ++c) {
        const QTableWidgetItem* item = table->item(r, c);
        if (!item || item->text().isEmpty() || table->isColumnHidden(c)) continue;
        const QRect cell = table->visualItemRect(item);
        if (!view.intersects(cell)) continue;  // scrolled out of view
        const QFontMetrics fm(item->font());
        if (fm.horizontalAdvance(item->text()) + 6 > cell.width())
          faults << QStringLiteral("%1: %2: cell %3,%4 \"%5\" needs %6 px, its column has %7")
                        .arg(where, Describe(w))
                        .arg(r)
                        .arg(c)
                        .arg(item->text())
                        .arg(fm.horizontalAdvance(item->text()) + 6)
                        .arg(cell.width());
      }
    }
    return;
  }
  auto* list = qobject_cast<const QListWidget*>(w);
  if (!list || list->horizontalScrollBar()->isVisible()) return;
  const QRect view = list->viewport()->rect();
  for (int i = 0; i < list->count(); ++i) {
    const QListWidgetItem* item = list->item(i);
    const QRect cell = list->visualItemRect(item);
    if (item->isHidden() || !view.intersects(cell)) continue;
    const int indicator = (item->flags() & Qt::ItemIsUserCheckable) ? 22 : 0;
    const int needed = list->fontMetrics().horizontalAdvance(item->text()) + indicator + 4;
    const int room = std::min(cell.right(), view.right()) - cell.left() + 1;
    if (needed > room)
      faults << QStringLiteral("%1: %2: item \"%3\" needs %4 px, has %5")
                    .arg(where, Describe(w), item->text())
                    .arg(needed)
                    .arg(room);
  }
}

}  // namespace

TLayoutFindings CheckLayout(QWidget* window, const QString& where, const QString& shot) {
  TLayoutFindings found;
  const QImage picture = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
  const QString folder = qEnvironmentVariable("ZQN_SCREENSHOTS");
  if (!folder.isEmpty() && !shot.isEmpty()) {
    QDir().mkpath(folder);
    picture.save(QDir(folder).filePath(shot + QStringLiteral(".png")));
  }
  const QRect windowRect = window->rect();
  std::vector<std::pair<const QWidget*, QRect>> seen;  // controls and where they can be seen
  for (QWidget* w : window->findChildren<QWidget*>()) {
    if (!w->isVisible() || w->window() != window || IsInnerPart(w) || !IsControl(w)) continue;
    ++found.Checked;
    const QString name = Describe(w);
    if (w->width() < MinimumSide || w->height() < MinimumSide) {
      found.Faults << QStringLiteral("%1: %2: no room (%3x%4 px)")
                          .arg(where, name)
                          .arg(w->width())
                          .arg(w->height());
      continue;
    }
    bool scrolled = false;
    const QRect whole(w->mapTo(window, QPoint(0, 0)), w->size());
    const QRect part = VisiblePart(w, window, &scrolled);
    if (part != whole && !scrolled) {
      found.Faults << QStringLiteral(
                          "%1: %2: lies partly outside its page (%3x%4 of %5x%6 px seen)")
                          .arg(where, name)
                          .arg(part.width())
                          .arg(part.height())
                          .arg(w->width())
                          .arg(w->height());
    }
    const int needed = NeededWidth(w);
    if (needed > w->width())
      found.Faults << QStringLiteral("%1: %2: text cut (needs %3 px, has %4)")
                          .arg(where, name)
                          .arg(needed)
                          .arg(w->width());
    const bool captioned = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLabel*>(w);
    if (captioned && needed > 0 && w->height() < w->fontMetrics().height())
      found.Faults << QStringLiteral("%1: %2: text cut (needs %3 px of height, has %4)")
                          .arg(where, name)
                          .arg(w->fontMetrics().height())
                          .arg(w->height());
    CheckItems(w, where, found.Faults);
    if (part.width() * part.height() >= MinimumSide * MinimumSide && windowRect.contains(part) &&
        Colours(picture, part) < 2)
      found.Faults << QStringLiteral("%1: %2: not drawn (its area is one colour)").arg(where, name);
    // One control drawn over another hides part of it: a control left out of its layout sits in
    // the corner of its page, two put in one cell sit on each other.
    for (const auto& [other, otherPart] : seen) {
      if (w->isAncestorOf(other) || other->isAncestorOf(w)) continue;
      const QRect common = part & otherPart;
      if (common.width() > 1 && common.height() > 1)
        found.Faults << QStringLiteral("%1: %2 and %3 lie on each other (%4x%5 px)")
                            .arg(where, name, Describe(other))
                            .arg(common.width())
                            .arg(common.height());
    }
    seen.emplace_back(w, part);
  }
  return found;
}
