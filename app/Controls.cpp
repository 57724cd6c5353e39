// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "app/Controls.h"
#include "app/DesignLook.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QSvgRenderer>
#include <qdrawutil.h>

int twips(int value)
{
    return qRound(value / 15.0);
}

QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

// ---- Label

Label::Label(QWidget *parent)
    : QLabel(parent)
{
    // Captions come from the player and the record files: never read them as markup.
    setTextFormat(Qt::PlainText);
    setFocusPolicy(Qt::NoFocus);
    // A framed QLabel would otherwise push its text half an 'x' away from the aligned edge.
    setIndent(0);
    setColours(palette().color(QPalette::WindowText));
}

void Label::setCaption(const QString &caption)
{
    if (caption == text())
        return;
    setText(caption);
    if (m_autoSize)
        fitCaption();
}

void Label::setAutoSize(bool on)
{
    m_autoSize = on;
}

void Label::setBorder(bool on)
{
    // One plain line; paintEvent gives it the window-text colour rather than the caption's.
    setFrameStyle(on ? QFrame::Box | QFrame::Plain : QFrame::NoFrame);
    setLineWidth(1);
}

void Label::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    if (frameShape() != QFrame::Box)
        return;
    QPainter p(this);
    p.setPen(QPen(systemColor(8), 0));
    p.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

void Label::setColours(const QColor &text, const QColor &back)
{
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, text);
    if (back.isValid())
        pal.setColor(QPalette::Window, back);
    setPalette(pal);
    setAutoFillBackground(back.isValid());
}

void Label::setForeColor(const QColor &text)
{
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, text);
    setPalette(pal);
}

void Label::fitCaption()
{
    const QFontMetrics fm(font());
    const QString shown = text().isEmpty() ? QStringLiteral(" ") : text();
    QSize needed = fm.boundingRect(QRect(0, 0, 100000, 100000), Qt::AlignLeft | Qt::AlignTop, shown).size();
    // Room for the border and for the overhang of italic letters.
    needed += QSize(2 * frameWidth() + 4, 2 * frameWidth());
    setGeometry(QRect(geometry().topLeft(), needed));
}

void Label::shrinkFontToFit(const QString &caption)
{
    const QString fitted = caption.isNull() ? text() : caption;
    QFont f = font();
    while (f.pointSizeF() > 6
           && QFontMetrics(f).tightBoundingRect(fitted).width() > contentsRect().width())
        f.setPointSizeF(f.pointSizeF() - 0.25);
    setFont(f);
}

// ---- Shape

Shape::Shape(QWidget *parent, const QColor &fill, const QColor &outline)
    : QWidget(parent)
    , m_fill(fill)
    , m_outline(outline)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void Shape::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), m_fill);
    p.setPen(QPen(m_outline, 1));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

// ---- PictureButton

PictureButton::PictureButton(const QString &caption, const QColor &face, QWidget *parent)
    : QPushButton(caption, parent)
    , m_face(face)
{
    setAutoDefault(false);
}

void PictureButton::setPictures(const QString &normal, const QString &pressed, const QString &disabled)
{
    m_normal = normal;
    m_pressed = pressed.isEmpty() ? normal : pressed;
    m_disabled = disabled.isEmpty() ? normal : disabled;
    update();
}

QString PictureButton::currentPicture() const
{
    if (!isEnabled())
        return m_disabled;
    return isDown() ? m_pressed : m_normal;
}

void PictureButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const bool sunken = isDown();
    const QBrush face(m_face);
    qDrawWinButton(&p, rect(), palette(), sunken, &face);

    const QFontMetrics fm(font());
    const int pictureSize = 32;
    const int gap = 2;
    const int blockHeight = pictureSize + gap + fm.height();
    const int shift = sunken ? 1 : 0;
    const int top = (height() - blockHeight) / 2 + shift;
    const QString picture = currentPicture();
    if (!picture.isEmpty()) {
        QSvgRenderer renderer(picture);
        renderer.render(&p, QRectF((width() - pictureSize) / 2 + shift, top, pictureSize, pictureSize));
    }
    const QRect textRect(shift, top + pictureSize + gap, width(), fm.height());
    style()->drawItemText(&p, textRect, Qt::AlignHCenter | Qt::TextShowMnemonic, palette(),
                          isEnabled(), text(), QPalette::ButtonText);
    if (hasFocus()) {
        p.setPen(QPen(palette().color(QPalette::ButtonText), 1, Qt::DotLine));
        p.drawRect(rect().adjusted(4, 4, -5, -5));
    }
}

void PictureButton::keyPressEvent(QKeyEvent *event)
{
    // Enter on the focused button is the game's second press; a held-down key must not
    // run through exercises by itself.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (!event->isAutoRepeat())
            click();
        event->accept();
        return;
    }
    QPushButton::keyPressEvent(event);
}

// ---- TextBox

TextBox::TextBox(QWidget *parent)
    : QLineEdit(parent)
{
}

int TextBox::characterCode(const QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        return 13;
    // Delete edits the box but types no character (X11 still gives it the text DEL).
    if (event->key() == Qt::Key_Delete)
        return 0;
    const QString typed = event->text();
    if (typed.isEmpty())
        return 0;
    return typed.at(0).unicode();
}

void TextBox::keyPressEvent(QKeyEvent *event)
{
    const int code = characterCode(event);
    if (code == 0 || !keyPressHandler) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    // Codes are 16-bit signed, as the handler's argument: letters past U+7FFF come negative.
    Integer keyAscii(static_cast<std::int16_t>(code));
    keyPressHandler(keyAscii);
    if (keyAscii == 0) {
        event->accept();
        return;
    }
    if (static_cast<std::int16_t>(code) == keyAscii) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    const QChar replaced(static_cast<char16_t>(static_cast<std::int16_t>(keyAscii)));
    QKeyEvent changed(event->type(), 0, event->modifiers(), QString(replaced));
    QLineEdit::keyPressEvent(&changed);
}

// ---- FormSurface

FormSurface::FormSurface(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void FormSurface::setBackColor(const QColor &colour)
{
    m_back = colour;
    update();
}

QImage &FormSurface::drawing()
{
    // The game draws full-width bands only, so one pixel of width holds the whole drawing:
    // the paint stretches it across, the same pixels for a fraction of the memory.
    const qreal dpr = devicePixelRatioF();
    const QSize wanted(1, qRound(height() * dpr));
    if (m_drawing.size() != wanted) {
        m_drawing = QImage(wanted, QImage::Format_RGB32);
        m_drawing.fill(m_back);
    }
    m_drawing.setDevicePixelRatio(1.0);
    return m_drawing;
}

void FormSurface::Cls()
{
    m_drawing = QImage();
    update();
}

void FormSurface::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    if (m_drawing.isNull()) {
        p.fillRect(event->rect(), m_back);
        return;
    }
    p.drawImage(QRectF(rect()), m_drawing);
}
