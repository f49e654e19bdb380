#include "Preview.h"

#include <QDir>
#include <QFont>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QSlider>
#include <cstdio>
#include <memory>

#include "ButtonPainter.h"
#include "CursorPainter.h"
#include "FacePainter.h"
#include "IconPainter.h"
#include "SkinGeometry.h"
#include "SkinPalette.h"

namespace skingen {

namespace {

enum class Kind { Text, Time, Slider, Group, VSlider, List, Wave };

struct Control {
    Kind kind;
    QRect units;
    QString caption;
};

const std::vector<Control> kMainControls{
    {Kind::Text, {25, 110, 167, 13}, "[please open a file, thanks]"},
    {Kind::Time, {25, 125, 167, 20}, "00:00 / 00:00"},
    {Kind::Slider, {70, 172, 139, 11}, ""},
    {Kind::Group, {233, 78, 102, 26}, "Pitch: 0"},
    {Kind::Group, {233, 108, 102, 26}, "Tempo: 100%"},
    {Kind::Group, {233, 139, 102, 26}, "Volume: 50"},
    {Kind::Group, {233, 170, 102, 26}, "Vocal Reduction: 0"},
    {Kind::Slider, {251, 89, 65, 11}, ""},
    {Kind::Slider, {251, 119, 65, 11}, ""},
    {Kind::Slider, {251, 150, 65, 11}, ""},
    {Kind::Slider, {251, 181, 65, 11}, ""},
};

std::vector<Control> pageControls(Surface surface) {
    if (surface == Surface::LoopPage) return {{Kind::Group, {7, 0, 328, 111}, "Loop Editor"}};
    std::vector<Control> controls{{Kind::Group, {7, 0, 328, 111}, "Equalizer"},
                                  {Kind::Group, {198, 8, 128, 94}, "Presets"},
                                  {Kind::List, {208, 22, 81, 70}, "Default\nRock\nPop"}};
    for (int band = 0; band < 9; ++band)
        controls.push_back({Kind::VSlider, {30 + 18 * band, 23, 12, 82}, ""});
    return controls;
}

QRect pixels(const QRect& units) {
    return unitsToPixels(units.x(), units.y(), units.width(), units.height());
}

QFont templateFont() {
    QFont font("DejaVu Sans Condensed");
    font.setPixelSize(11);
    return font;
}

// Real widgets in the grey the window gives every control, to judge the skin around them.
void mockControl(QPainter& p, const Control& c) {
    const QRect r = pixels(c.units);
    std::unique_ptr<QWidget> widget;
    switch (c.kind) {
        case Kind::Text:
        case Kind::Time: {
            auto label = std::make_unique<QLabel>(c.caption);
            label->setAlignment(Qt::AlignCenter);
            QFont font = templateFont();
            if (c.kind == Kind::Time) {
                font = QFont("DejaVu Sans");
                font.setPixelSize(18);
                font.setWeight(QFont::Black);
            }
            label->setFont(font);
            widget = std::move(label);
            break;
        }
        case Kind::Slider:
        case Kind::VSlider: {
            auto slider =
                std::make_unique<QSlider>(c.kind == Kind::Slider ? Qt::Horizontal : Qt::Vertical);
            slider->setRange(-15, 15);
            slider->setValue(0);
            widget = std::move(slider);
            break;
        }
        case Kind::Group: {
            widget = std::make_unique<QGroupBox>(c.caption);
            widget->setFont(templateFont());
            break;
        }
        case Kind::List: {
            auto list = std::make_unique<QListWidget>();
            list->addItems(c.caption.split('\n'));
            list->setFont(templateFont());
            widget = std::move(list);
            break;
        }
        case Kind::Wave:
            return;
    }
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, palette::kFace);
    palette.setColor(QPalette::WindowText, Qt::black);
    // The highlight the skin suggests for slider grooves and selections.
    palette.setColor(QPalette::Highlight, palette::kAmber);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
    widget->resize(r.size());
    widget->ensurePolished();
    widget->render(&p, r.topLeft(), QRegion(),
                   QWidget::DrawWindowBackground | QWidget::DrawChildren);
}

void markControl(QPainter& p, const QRect& r, const QColor& color) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(color);
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    p.restore();
}

// Which picture a button shows right after start-up.
KeyState startState(const QString& caption) {
    static const QStringList disabled{"BITMAP_SAVE", "BITMAP_SAVEAS", "BITMAP_PLAY", "BITMAP_PAUSE",
                                      "BITMAP_STOP"};
    return disabled.contains(caption) ? KeyState::Disabled : KeyState::Up;
}

// Every position of each set, for placing all of the main window's arrows.
std::vector<QPoint> unitPositions(const ButtonSet& set) {
    if (set.caption == "BITMAP_TEMPODOWN") return {{238, 88}, {238, 118}, {238, 149}, {237, 180}};
    if (set.caption == "BITMAP_TEMPOUP") return {{317, 88}, {317, 118}, {317, 149}, {317, 180}};
    return {set.unitsAt};
}

QImage renderSurface(Surface surface, bool mock, bool marks, KeyState override, bool useOverride) {
    QImage image = surfaceGround(surface);
    QPainter p(&image);
    const std::vector<Control> controls =
        surface == Surface::MainWindow ? kMainControls : pageControls(surface);
    if (mock)
        for (const Control& c : controls) mockControl(p, c);
    if (surface == Surface::LoopPage && mock) p.fillRect(QRect(20, 20, 446, 150), Qt::black);
    for (const ButtonSet& set : buttonSets()) {
        if (set.surface != surface) continue;
        KeyState state = useOverride ? override : startState(set.caption);
        if (!set.allStates && state != KeyState::Down) state = KeyState::Up;
        for (const QPoint& units : unitPositions(set)) {
            const QPoint at = unitsToPixels(units.x(), units.y());
            p.drawImage(at, paintButton(set, state, surfaceGround(surface)));
            if (marks) markControl(p, QRect(at, set.size), QColor(255, 0, 255));
        }
    }
    if (marks)
        for (const Control& c : controls)
            markControl(p, pixels(c.units),
                        c.kind == Kind::Group                          ? QColor(0, 160, 0)
                        : c.kind == Kind::Text || c.kind == Kind::Time ? QColor(255, 0, 0)
                                                                       : QColor(0, 0, 255));
    return image;
}

// The window as it shows on a desktop: clipped to its outline.
QImage onDesktop(const QImage& face) {
    QImage desktop(face.size() + QSize(40, 40), QImage::Format_ARGB32_Premultiplied);
    desktop.fill(QColor(0x4f, 0x5d, 0x6b));
    QPainter p(&desktop);
    p.translate(20, 20);
    p.setClipPath(windowOutline(face.height()));
    p.drawImage(0, 0, face);
    return desktop;
}

QImage scaled(const QImage& image, int factor) {
    return image.scaled(image.size() * factor, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

void save(const QImage& image, const QString& folder, const QString& name) {
    const QString path = QDir(folder).filePath(name);
    if (!image.save(path)) std::fprintf(stderr, "skingen: cannot write %s\n", qPrintable(path));
}

QImage buttonSheet() {
    const int zoom = 3, pad = 8;
    const std::vector<ButtonSet>& sets = buttonSets();
    int height = pad, width = 0;
    for (const ButtonSet& set : sets) {
        height += set.size.height() * zoom + pad;
        width = std::max(width, 4 * (set.size.width() * zoom + pad) + pad);
    }
    QImage sheet(width, height, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(QColor(0x80, 0x80, 0x80));
    QPainter p(&sheet);
    int y = pad;
    for (const ButtonSet& set : sets) {
        const QImage ground = surfaceGround(set.surface);
        int x = pad;
        for (KeyState s : {KeyState::Up, KeyState::Down, KeyState::Focus, KeyState::Disabled}) {
            if (set.allStates || s == KeyState::Up || s == KeyState::Down)
                p.drawImage(x, y, scaled(paintButton(set, s, ground), zoom));
            x += set.size.width() * zoom + pad;
        }
        y += set.size.height() * zoom + pad;
    }
    return sheet;
}

QImage pointerSheet() {
    const int zoom = 4;
    const std::vector<PointerShape> shapes = paintPointerShapes();
    QImage sheet(int(shapes.size()) * 32 * zoom, 2 * 32 * zoom,
                 QImage::Format_ARGB32_Premultiplied);
    QPainter p(&sheet);
    for (int row = 0; row < 2; ++row) {
        p.fillRect(QRect(0, row * 32 * zoom, sheet.width(), 32 * zoom),
                   row ? QColor(Qt::black) : palette::kFace);
        for (size_t i = 0; i < shapes.size(); ++i) {
            const QPoint at(int(i) * 32 * zoom, row * 32 * zoom);
            p.drawImage(at, scaled(shapes[i].image, zoom));
            p.fillRect(QRect(at + shapes[i].hotSpot * zoom + QPoint(zoom / 2 - 1, zoom / 2 - 1),
                             QSize(2, 2)),
                       Qt::red);
        }
    }
    return sheet;
}

QImage iconSheet() {
    QImage sheet(256 + 64 + 48 + 32 + 16 + 60, 256, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(QColor(0xe8, 0xe8, 0xe8));
    QPainter p(&sheet);
    int x = 0;
    for (int size : {256, 64, 48, 32, 16}) {
        p.drawImage(x, 0, paintAppIcon(size));
        x += size + 12;
    }
    return sheet;
}

}  // namespace

void writePreviews(const QString& folder) {
    QDir().mkpath(folder);
    const QImage marked = renderSurface(Surface::MainWindow, false, true, KeyState::Up, false);
    save(onDesktop(marked), folder, "face-marked.png");
    const QImage mock = renderSurface(Surface::MainWindow, true, false, KeyState::Up, false);
    save(onDesktop(mock), folder, "face-mock.png");
    save(scaled(onDesktop(mock), 2), folder, "face-mock-2x.png");
    const QImage loaded = renderSurface(Surface::MainWindow, true, false, KeyState::Up, true);
    save(onDesktop(loaded), folder, "face-loaded.png");

    // Both pages open: the window grows by two page heights and the bottom strip follows.
    const int tall = kWindowSize.height() + 2 * kPageExtraHeight;
    QImage both = composeFace(tall);
    {
        QPainter p(&both);
        p.drawImage(0, 0, mock.copy(0, 0, mock.width(), kLoopPageAt.y()));
        p.drawImage(kLoopPageAt, renderSurface(Surface::LoopPage, true, false, KeyState::Up, true)
                                     .copy(QRect(QPoint(), kPageSize)));
        p.drawImage(kLoopPageAt + QPoint(0, kPageSize.height()),
                    renderSurface(Surface::EqPage, true, false, KeyState::Up, true)
                        .copy(QRect(QPoint(), kPageSize)));
    }
    save(onDesktop(both), folder, "face-pages.png");
    save(buttonSheet(), folder, "buttons.png");
    save(pointerSheet(), folder, "pointers.png");
    save(iconSheet(), folder, "icon.png");
}

}  // namespace skingen
