// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "agent/windows/BalloonWindow.h"
#include "agent/windows/WindowStacking.h"

#include <QBitmap>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTextLine>
#include <algorithm>
#include <cmath>

namespace {
constexpr int kMaxTextWidth = 230; // narrow enough to fit beside him at the game's spot
constexpr int kPadding = 12;
constexpr int kTail = 18;
constexpr qreal kPen = 2.5;
const QColor kInk(0x1d, 0x24, 0x4a);
const QColor kPaper(0xff, 0xfd, 0xf2);
} // namespace

BalloonWindow::BalloonWindow(WindowStacking &windows)
    : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool
                           | Qt::WindowDoesNotAcceptFocus | Qt::X11BypassWindowManagerHint)
    , m_windows(windows)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_X11DoNotAcceptFocus);
    setAttribute(Qt::WA_NoSystemBackground);
    // Window managers (XWayland's among them) would place the window where they like and
    // may ignore its shape: it is placed by the game itself, see-through where a compositor
    // runs and cut out by its mask where none does.
    setAttribute(Qt::WA_TranslucentBackground);
    m_font = QFont(QStringLiteral("Open Sans"));
    m_font.setFamilies({QStringLiteral("Open Sans"), QStringLiteral("DejaVu Sans")});
    m_font.setPixelSize(17);
    m_font.setWeight(QFont::DemiBold);
    m_windows.adopt(this);
}

BalloonWindow::~BalloonWindow() = default;

int BalloonWindow::lineCount() const
{
    return m_layout ? m_layout->lineCount() : 0;
}

int BalloonWindow::currentPage() const
{
    if (!m_layout || m_shown.isEmpty())
        return 0;
    const int last = int(m_shown.size()) - 1;
    for (int i = 0; i < m_layout->lineCount(); ++i) {
        const QTextLine line = m_layout->lineAt(i);
        if (last < line.textStart() + line.textLength())
            return i / kLinesPerPage;
    }
    return (m_layout->lineCount() - 1) / kLinesPerPage;
}

void BalloonWindow::layoutText()
{
    m_layout = std::make_unique<QTextLayout>(m_text, m_font);
    QTextOption option;
    // A name with no spaces is broken anywhere rather than stretching the balloon off the screen.
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_layout->setTextOption(option);
    m_layout->beginLayout();
    qreal width = 0;
    qreal y = 0;
    for (QTextLine line = m_layout->createLine(); line.isValid(); line = m_layout->createLine()) {
        line.setLineWidth(kMaxTextWidth);
        // Each page starts again at the top of the balloon.
        if (m_layout->lineCount() % kLinesPerPage == 1)
            y = 0;
        line.setPosition(QPointF(0, y));
        y += line.height();
        width = std::max(width, std::min<qreal>(line.naturalTextWidth(), kMaxTextWidth));
    }
    m_layout->endLayout();
    const int lines = std::min(m_layout->lineCount(), kLinesPerPage);
    const qreal lineHeight = m_layout->lineCount() ? m_layout->lineAt(0).height() : 0;
    m_textSize = QSize(int(std::ceil(std::max<qreal>(width, 40))), int(std::ceil(lines * lineHeight)));
}

void BalloonWindow::place(const QRect &character, const QPoint &face)
{
    const QSize body = m_textSize + QSize(2 * kPadding, 2 * kPadding);
    const QScreen *screen = QGuiApplication::screenAt(character.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect avail = screen->availableGeometry();
    // Beside him on his right, its top just above his eyes: at the game's spot that is the
    // one stretch of the window with nothing to read (the exercise is above him, the outcome
    // line ends above his eyes, the counters are on his left, the answer box below).
    // Where there is no room: on his left, then above the hat.
    const int headX = face.x();
    // His drawing is narrower than his window (room for the spells): measure from his face.
    const int reach = character.height() * 28 / 100;
    const int rightEdge = headX + reach;
    const int leftEdge = headX - reach;
    QRect r;
    if (avail.right() - rightEdge >= body.width() + kTail) {
        m_tail = Tail::Left;
        r = QRect(QPoint(rightEdge, face.y() - 24), QSize(body.width() + kTail, body.height()));
    } else if (leftEdge - avail.left() >= body.width() + kTail) {
        m_tail = Tail::Right;
        r = QRect(QPoint(leftEdge - body.width() - kTail, face.y() - 24), QSize(body.width() + kTail, body.height()));
    } else {
        m_tail = Tail::Down;
        r = QRect(QPoint(headX - body.width() / 3, character.top() - body.height() - kTail),
                  QSize(body.width(), body.height() + kTail));
        r.moveLeft(std::clamp(r.left(), avail.left(), std::max(avail.left(), avail.right() - r.width())));
        m_tailAt = std::clamp(headX - r.left(), kPadding + 6, body.width() - kPadding - 22);
    }
    if (m_tail != Tail::Down) {
        r.moveTop(std::clamp(r.top(), avail.top(), std::max(avail.top(), avail.bottom() - r.height())));
        m_tailAt = std::clamp(face.y() - r.top(), kPadding, body.height() - kPadding - 12);
    }
    setFixedSize(r.size());
    move(r.topLeft());
}

QPainterPath BalloonWindow::outline() const
{
    const qreal half = kPen / 2 + 0.5;
    QRectF body = m_tail == Tail::Down ? QRectF(0, 0, width(), height() - kTail)
        : m_tail == Tail::Left         ? QRectF(kTail, 0, width() - kTail, height())
                                       : QRectF(0, 0, width() - kTail, height());
    body.adjust(half, half, -half, -half);
    QPainterPath path;
    path.addRoundedRect(body, 14, 14);
    QPainterPath tail;
    if (m_tail == Tail::Down) {
        tail.moveTo(m_tailAt, body.bottom() - 4);
        tail.lineTo(m_tailAt + 6, height() - half);
        tail.lineTo(m_tailAt + 20, body.bottom() - 4);
    } else if (m_tail == Tail::Left) {
        tail.moveTo(body.left() + 4, m_tailAt);
        tail.lineTo(half, m_tailAt + 14);
        tail.lineTo(body.left() + 4, m_tailAt + 12);
    } else {
        tail.moveTo(body.right() - 4, m_tailAt);
        tail.lineTo(width() - half, m_tailAt + 14);
        tail.lineTo(body.right() - 4, m_tailAt + 12);
    }
    tail.closeSubpath();
    return path.united(tail).simplified();
}

void BalloonWindow::start(const QString &text, const QRect &character, const QPoint &face)
{
    m_text = text;
    m_shown.clear();
    layoutText();
    place(character, face);

    QImage shape(size(), QImage::Format_ARGB32_Premultiplied);
    shape.fill(Qt::transparent);
    QPainter p(&shape);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kInk, kPen));
    p.setBrush(kPaper);
    p.drawPath(outline());
    p.end();
    setMask(QBitmap::fromImage(shape.createAlphaMask(Qt::ThresholdAlphaDither | Qt::ThresholdDither)));
    m_windows.show(this);
    update();
}

void BalloonWindow::reveal(const QString &shown)
{
    if (shown == m_shown)
        return;
    m_shown = shown;
    update();
}

void BalloonWindow::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(rect(), Qt::transparent);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.setPen(QPen(kInk, kPen));
    p.setBrush(kPaper);
    p.drawPath(outline());
    if (!m_layout)
        return;
    p.setFont(m_font);
    p.setPen(kInk);
    const QPointF origin(kPadding + (m_tail == Tail::Left ? kTail : 0), kPadding);
    const int page = currentPage();
    const int first = page * kLinesPerPage;
    const int last = std::min(m_layout->lineCount(), first + kLinesPerPage);
    for (int i = first; i < last; ++i) {
        const QTextLine line = m_layout->lineAt(i);
        const int visible = std::clamp(int(m_shown.size()) - line.textStart(), 0, line.textLength());
        if (visible == 0)
            break;
        const QString words = m_text.mid(line.textStart(), visible);
        p.drawText(origin + line.position() + QPointF(0, line.ascent()), words);
    }
}
