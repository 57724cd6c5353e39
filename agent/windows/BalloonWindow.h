// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include <QPainterPath>
#include <QTextLayout>
#include <QWidget>
#include <memory>

// The speech balloon: a shaped window of its own beside the character. It is sized for the
// whole phrase up front, so it does not jump about while the words appear; long phrases turn
// over in pages of a few lines, following the voice.
class WindowStacking;

class BalloonWindow : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kLinesPerPage = 4;

    // Placed among the desktop's windows by `windows`, which outlives it.
    explicit BalloonWindow(WindowStacking &windows);
    ~BalloonWindow() override;

    // Shows the empty balloon for `text` beside `character` (its screen rectangle), the tail
    // pointing at `face` (a screen point).
    void start(const QString &text, const QRect &character, const QPoint &face);
    void reveal(const QString &shown);
    QString fullText() const { return m_text; }
    QString shownText() const { return m_shown; }
    int lineCount() const;
    int currentPage() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    enum class Tail { Down, Left, Right };
    void layoutText();
    void place(const QRect &character, const QPoint &face);
    QPainterPath outline() const;

    WindowStacking &m_windows;
    QString m_text;
    QString m_shown;
    QFont m_font;
    std::unique_ptr<QTextLayout> m_layout;
    QSize m_textSize;
    Tail m_tail = Tail::Down;
    int m_tailAt = 0; // along the edge the tail leaves from, in window coordinates
};
