// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include "base/Integer.h"

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <functional>

// Twips are 1/1440 inch: 15 make one device-independent pixel, which Qt scales to the
// screen's DPI.
int twips(int value);
QRect twipsRect(int left, int top, int width, int height);

// A caption on the window's surface. Transparent ones let the panels and the background
// show through; auto-size ones fit their caption, growing to the right from a fixed left.
class Label : public QLabel
{
    Q_OBJECT
public:
    explicit Label(QWidget *parent);
    void setCaption(const QString &caption);
    QString caption() const { return text(); }
    void setAutoSize(bool on);
    bool autoSize() const { return m_autoSize; }
    void setBorder(bool on);
    void setColours(const QColor &text, const QColor &back = QColor()); // invalid back: transparent
    void setForeColor(const QColor &text);
    void fitCaption();
    // For a fixed-size box: a stand-in font wider than the design's is made just small
    // enough that the caption's letters stay whole (the given caption, or the current one).
    void shrinkFontToFit(const QString &caption = QString());

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_autoSize = false;
};

// A filled rectangle with a thin outline, drawn under the labels.
class Shape : public QWidget
{
    Q_OBJECT
public:
    Shape(QWidget *parent, const QColor &fill, const QColor &outline);
    QColor fillColor() const { return m_fill; }

protected:
    void paintEvent(QPaintEvent *) override;

private:
    QColor m_fill;
    QColor m_outline;
};

// A button with its picture centred above the caption, on a face of its own colour.
// Enter clicks it while it has the focus, as Space does.
class PictureButton : public QPushButton
{
    Q_OBJECT
public:
    PictureButton(const QString &caption, const QColor &face, QWidget *parent);
    void setPictures(const QString &normal, const QString &pressed = QString(),
                     const QString &disabled = QString());
    QColor faceColor() const { return m_face; }
    QString currentPicture() const; // the face shown in the present state

protected:
    void paintEvent(QPaintEvent *) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QColor m_face;
    QString m_normal, m_pressed, m_disabled;
};

// A text box whose key handler sees every typed character first, as a character code
// (Enter 13, Backspace 8, Escape 27); setting the code to 0 discards the key.
class TextBox : public QLineEdit
{
    Q_OBJECT
public:
    explicit TextBox(QWidget *parent);
    std::function<void(Integer &keyAscii)> keyPressHandler;

    static int characterCode(const QKeyEvent *event); // 0 for keys that type nothing

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

// The window's own surface: its background colour and the persistent drawing kept in an
// image behind every control, which survives repaints until it is cleared. The drawing is
// made of full-width horizontal bands (the exercise gradient): its image is one pixel wide,
// as tall as the surface in device pixels, and painted stretched across the surface.
class FormSurface : public QWidget
{
    Q_OBJECT
public:
    explicit FormSurface(QWidget *parent);
    void setBackColor(const QColor &colour);
    QColor backColor() const { return m_back; }
    // The persistent drawing, one pixel wide; created on demand.
    QImage &drawing();
    bool hasDrawing() const { return !m_drawing.isNull(); }
    void Cls();

protected:
    void paintEvent(QPaintEvent *) override;

private:
    QColor m_back;
    QImage m_drawing;
};
