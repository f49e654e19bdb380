// The player's emblem: a loop arrow closing around a short waveform, read as a "Q".
#pragma once

#include <QBrush>
#include <QPainter>
#include <QPointF>

namespace skingen {

struct EmblemLook {
    QBrush ring;
    QBrush bars;
    int barCount = 5;
    qreal ringWidth = 0.095;  // of the diameter
};

void paintEmblem(QPainter& painter, QPointF centre, qreal diameter, const EmblemLook& look);

}  // namespace skingen
