// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include <QHash>
#include <QString>
#include <memory>

class QSvgRenderer;

// The SVG drawings of a character's parts, each parsed the first time it is drawn. One set per
// thread: a QSvgRenderer must not be shared between threads.
class PartDrawings
{
public:
    explicit PartDrawings(QHash<QString, QString> files);
    ~PartDrawings();
    QSvgRenderer *drawing(const QString &part);

private:
    QHash<QString, QString> m_files;
    QHash<QString, std::shared_ptr<QSvgRenderer>> m_parsed;
};
