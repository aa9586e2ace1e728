#include "gui/form_widgets.h"

#include <QEvent>
#include <QLayout>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>
#include <algorithm>

namespace gui {

namespace {

// Characters laid out for a long label: more than kMaxLines lines of the narrowest glyphs.
constexpr int kLayoutChars = TextLabel::kMaxChars * TextLabel::kMaxLines * 8;
// A long word gets a break opportunity in the tooltip after this many characters.
constexpr int kTipWordChars = 40;

QString LayoutText(const QString& text) {
    QString t = text.left(kLayoutChars);
    t.replace(QLatin1Char('\n'), QChar::LineSeparator);
    return t;
}

}  // namespace

// ---------------------------------------------------------------- TextLabel

TextLabel::TextLabel(QWidget* parent) : QLabel(parent) { setTextFormat(Qt::PlainText); }

void TextLabel::setWholeText(const QString& text) {
    if (text == this->text()) return;
    setText(text);
    measure();
}

int TextLabel::wrapWidth() const { return fontMetrics().averageCharWidth() * kMaxChars; }

int TextLabel::linesAt(int width) const {
    QTextLayout layout(LayoutText(text()), font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    int lines = 0;
    for (QTextLine line = layout.createLine(); line.isValid() && lines <= kMaxLines; line = layout.createLine()) {
        line.setLineWidth(width);
        ++lines;
    }
    layout.endLayout();
    return std::max(1, lines);
}

void TextLabel::measure() {
    const QFontMetrics fm = fontMetrics();
    const QString t = text();
    int widest = 0, lines = 0;
    // A label of the switch's text may be very long: measure at most what could be shown.
    for (const QString& line : t.left(kLayoutChars).split(QLatin1Char('\n'))) {
        widest = std::max(widest, fm.horizontalAdvance(line));
        ++lines;
    }
    const bool wasLong = long_;
    long_ = t.size() > kLayoutChars || widest > wrapWidth() || lines > kMaxLines;
    if (long_) {
        const QMargins m = contentsMargins();
        const int shown = std::min(linesAt(wrapWidth()), kMaxLines);
        longSize_ = QSize(wrapWidth() + m.left() + m.right(), shown * fm.lineSpacing() + m.top() + m.bottom());
        setToolTip(WrappingTip(t));
    } else if (wasLong) {
        setToolTip({});
    }
    updateGeometry();
    update();
}

QSize TextLabel::sizeHint() const { return long_ ? longSize_ : QLabel::sizeHint(); }

QSize TextLabel::minimumSizeHint() const { return long_ ? longSize_ : QLabel::minimumSizeHint(); }

void TextLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) measure();
}

void TextLabel::paintEvent(QPaintEvent* event) {
    if (!long_) return QLabel::paintEvent(event);
    QPainter p(this);
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
    const QRect r = contentsRect();
    const QFontMetrics fm = fontMetrics();
    const int fit = std::clamp(r.height() / std::max(1, fm.lineSpacing()), 1, kMaxLines);
    const QString t = LayoutText(text());
    QTextLayout layout(t, font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    std::vector<QTextLine> lines;
    bool more = text().size() > t.size();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(r.width());
        if (static_cast<int>(lines.size()) == fit) {
            more = true;
            break;
        }
        line.setPosition(QPointF(0, static_cast<qreal>(lines.size()) * fm.lineSpacing()));
        lines.push_back(line);
    }
    layout.endLayout();
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i + 1 < lines.size() || !more) {
            lines[i].draw(&p, r.topLeft());
            continue;
        }
        // The last line shown ends in "…" when text follows it.
        QString rest = t.mid(lines[i].textStart());
        rest.replace(QChar::LineSeparator, QLatin1Char(' '));
        const QString cut = fm.elidedText(rest, Qt::ElideRight, r.width());
        p.drawText(QPointF(r.left(), r.top() + lines[i].y() + fm.ascent()), cut);
    }
}

QString WrappingTip(const QString& text) {
    QString out;
    int run = 0;
    for (QChar ch : text.left(TextLabel::kTipChars)) {
        out += ch;
        if (ch.isSpace()) {
            run = 0;
        } else if (++run == kTipWordChars) {
            out += QChar(0x200B);  // zero-width space: the tooltip may break a long word here
            run = 0;
        }
    }
    if (text.size() > TextLabel::kTipChars) out += QChar(0x2026);
    return QStringLiteral("<p style='white-space:pre-wrap'>") + out.toHtmlEscaped() + QStringLiteral("</p>");
}

// ---------------------------------------------------------------- MultiLineEdit

MultiLineEdit::MultiLineEdit(int lines, QWidget* parent) : QPlainTextEdit(parent), lines_(std::max(1, lines)) {
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setTabChangesFocus(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize MultiLineEdit::sizeHint() const {
    const QMargins m = contentsMargins();
    const int h = lines_ * fontMetrics().lineSpacing() + static_cast<int>(2 * document()->documentMargin()) +
                  2 * frameWidth() + m.top() + m.bottom();
    return {QPlainTextEdit::sizeHint().width(), h};
}

QSize MultiLineEdit::minimumSizeHint() const { return {QPlainTextEdit::minimumSizeHint().width(), sizeHint().height()}; }

void ApplyReadOnlyLook(QWidget* box, bool readOnly) {
    box->setFocusPolicy(readOnly ? Qt::NoFocus : Qt::StrongFocus);
    if (readOnly) {
        QPalette p = box->palette();
        for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            p.setColor(group, QPalette::Base, p.color(group, QPalette::Window));
        box->setPalette(p);
    } else {
        box->setPalette(QPalette());
    }
}

// ---------------------------------------------------------------- FitScrollArea

FitScrollArea::FitScrollArea(QWidget* parent) : QScrollArea(parent) {
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::NoFocus);
    viewport()->setAutoFillBackground(false);
}

void FitScrollArea::setLimit(QSize limit) {
    if (limit == limit_) return;
    limit_ = limit;
    updateGeometry();
}

QSize FitScrollArea::bounded(QSize s) const {
    if (!limit_.isValid() || limit_.isEmpty()) return s;
    // A scroll bar in one direction takes room in the other.
    if (s.width() > limit_.width()) s.rheight() += horizontalScrollBar()->sizeHint().height();
    if (s.height() > limit_.height()) s.rwidth() += verticalScrollBar()->sizeHint().width();
    return s.boundedTo(limit_);
}

QSize FitScrollArea::sizeHint() const {
    if (!widget()) return QScrollArea::sizeHint();
    return bounded(widget()->sizeHint().expandedTo(widget()->minimumSizeHint()));
}

bool FitScrollArea::eventFilter(QObject* watched, QEvent* event) {
    if (watched == widget() && event->type() == QEvent::LayoutRequest) {
        // Laid out now even while hidden: a layout left waiting for the show would keep the rows
        // of its first, smaller size.
        if (QLayout* l = widget()->layout()) l->activate();
        updateGeometry();
    }
    return QScrollArea::eventFilter(watched, event);
}

QSize FitScrollArea::minimumSizeHint() const {
    if (!widget()) return QScrollArea::minimumSizeHint();
    return bounded(widget()->minimumSizeHint().expandedTo(widget()->minimumSize()));
}

}  // namespace gui
