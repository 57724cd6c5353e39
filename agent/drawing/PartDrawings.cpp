// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "agent/drawing/PartDrawings.h"

#include <QSvgRenderer>

PartDrawings::PartDrawings(QHash<QString, QString> files)
    : m_files(std::move(files))
{
}

PartDrawings::~PartDrawings() = default;

QSvgRenderer *PartDrawings::drawing(const QString &part)
{
    auto it = m_parsed.find(part);
    if (it == m_parsed.end())
        it = m_parsed.insert(part, std::make_shared<QSvgRenderer>(m_files.value(part)));
    return it->get();
}
