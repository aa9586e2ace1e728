#pragma once
// Widgets of the form renderer that keep a dialog within the screen whatever the switch sends:
// labels that wrap and elide long texts, multi-line boxes, and the scroll area that holds a
// dialog's contents when they do not fit the screen.
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QString>

class QLineEdit;

namespace gui {

// A label. A text that fits TextLabel::kMaxChars average characters on one line shows as a
// plain label; a longer one wraps (at blanks, or anywhere in a long word) over at most
// kMaxLines lines of that width, the last line ending in "…", and the tooltip holds the text.
// text() is always the whole text.
class TextLabel : public QLabel {
public:
    static constexpr int kMaxChars = 90;
    static constexpr int kMaxLines = 6;
    // Tooltips show up to this many characters (a description of the switch's own type holds
    // at most 255); the rest of a longer text is cut with "…".
    static constexpr int kTipChars = 2048;

    explicit TextLabel(QWidget* parent = nullptr);
    void setWholeText(const QString& text);
    // True when the text does not fit one plain line and is wrapped or cut.
    bool isLong() const { return long_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void measure();
    int wrapWidth() const;
    int linesAt(int width) const;

    bool long_ = false;
    QSize longSize_;
};

// The tooltip text for a long value: wrapped at blanks or every few dozen characters in a long
// word, cut at TextLabel::kTipChars.
QString WrappingTip(const QString& text);

// A multi-line edit box: wraps its text, shows `lines` lines and scrolls beyond them.
class MultiLineEdit : public QPlainTextEdit {
public:
    MultiLineEdit(int lines, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

private:
    int lines_;
};

// A read-only box takes no focus and looks read-only (the window's colour behind its text);
// an editable one takes the focus by click and Tab.
void ApplyReadOnlyLook(QWidget* box, bool readOnly);

// Holds a dialog's contents. Its size is that of the contents up to a limit (the screen's room
// for them); beyond it the contents scroll instead of being squeezed or cut off.
class FitScrollArea : public QScrollArea {
public:
    explicit FitScrollArea(QWidget* parent = nullptr);
    // Largest size the area asks for; an empty size = no limit.
    void setLimit(QSize limit);
    QSize limit() const { return limit_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    // Contents that grow (a value read from the switch) grow the dialog, up to the limit.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QSize bounded(QSize contents) const;
    QSize limit_;
};

}  // namespace gui
