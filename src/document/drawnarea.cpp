#include "document/drawnarea.h"

#include <algorithm>

void DrawnArea::reset(QSize size)
{
    m_size = size.expandedTo(QSize(0, 0));
    m_columns = (m_size.width() + TileSide - 1) / TileSide;
    const int rows = (m_size.height() + TileSide - 1) / TileSide;
    m_tiles.assign(size_t(m_columns) * size_t(rows), false);
    m_bounds = QRect();
}

void DrawnArea::fill(QSize size)
{
    reset(size);
    add(QRect(QPoint(0, 0), m_size));
}

void DrawnArea::add(const QRect &rect)
{
    const QRect area = rect & QRect(QPoint(0, 0), m_size);
    if (area.isEmpty())
        return;
    const int left = area.left() / TileSide, right = area.right() / TileSide;
    const int top = area.top() / TileSide, bottom = area.bottom() / TileSide;
    for (int row = top; row <= bottom; ++row)
        std::fill_n(m_tiles.begin() + qsizetype(row) * m_columns + left, right - left + 1, true);
    const QRect tiles(QPoint(left * TileSide, top * TileSide),
                      QPoint((right + 1) * TileSide - 1, (bottom + 1) * TileSide - 1));
    m_bounds |= tiles & QRect(QPoint(0, 0), m_size);
}

void DrawnArea::add(const DrawnArea &other)
{
    if (other.m_size != m_size || other.m_columns != m_columns) {
        add(other.bounds());
        return;
    }
    for (size_t i = 0; i < m_tiles.size(); ++i)
        if (other.m_tiles[i])
            m_tiles[i] = true;
    m_bounds |= other.m_bounds;
}

QList<QRect> DrawnArea::rects() const
{
    QList<QRect> runs;
    if (isEmpty())
        return runs;
    const QRect picture(QPoint(0, 0), m_size);
    const int top = m_bounds.top() / TileSide, bottom = m_bounds.bottom() / TileSide;
    const int left = m_bounds.left() / TileSide, right = m_bounds.right() / TileSide;
    for (int row = top; row <= bottom; ++row) {
        const auto tile = [&](int column) { return bool(m_tiles[size_t(row) * size_t(m_columns) + size_t(column)]); };
        for (int column = left; column <= right; ++column) {
            if (!tile(column))
                continue;
            int end = column;
            while (end + 1 <= right && tile(end + 1))
                ++end;
            runs << (QRect(QPoint(column * TileSide, row * TileSide), QPoint((end + 1) * TileSide - 1,
                                                                              (row + 1) * TileSide - 1))
                     & picture);
            column = end;
        }
    }
    return runs;
}
