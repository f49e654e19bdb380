// Draws the skin of the player and writes it as PNG files into the resources folder, each picture
// at the three scales of the screen it is made for ("name.png", "name@1.5x.png", "name@2x.png"),
// and the application icon at the sizes a desktop's icon theme asks for.
// Usage: skingen <resources folder> [--preview <folder>]
#include <QApplication>
#include <QDir>
#include <QImage>
#include <cstdio>
#include <cstdlib>

#include "ButtonPainter.h"
#include "CursorPainter.h"
#include "FacePainter.h"
#include "IconPainter.h"
#include "Preview.h"

using namespace skingen;

namespace {

// The scales of the screen, with the suffix of their file names.
constexpr struct {
    qreal scale;
    const char* suffix;
} kScales[] = {{1, ""}, {1.5, "@1.5x"}, {2, "@2x"}};

// The sizes of the icon in the hicolor theme; scalable vectors go beside them.
constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64, 96, 128, 256, 512};

bool write(const QImage& image, const QString& path, bool alpha) {
    const QImage out = image.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (!out.save(path, "PNG")) {
        std::fprintf(stderr, "skingen: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    // Fonts (and the widgets of the previews) need an application object; no screen is needed.
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2 && !(args.size() == 4 && args[2] == "--preview")) {
        std::fprintf(stderr, "usage: skingen <resources folder> [--preview <folder>]\n");
        return 2;
    }
    const QDir resources(args[1]);
    const QString skin = resources.filePath("skin"), cursors = resources.filePath("cursors");
    const QString icons = resources.filePath("icons");
    for (const QString& folder : {skin, cursors, icons})
        if (!QDir().mkpath(folder)) {
            std::fprintf(stderr, "skingen: cannot create %s\n", qPrintable(folder));
            return 1;
        }

    bool ok = true;
    for (const auto& [scale, suffix] : kScales) {
        auto name = [suffix = suffix](const QString& folder, const QString& base) {
            return QString("%1/%2%3.png").arg(folder, base, suffix);
        };
        ok &= write(paintBrandPanel(scale), name(skin, "110"), false);
        ok &= write(paintTopStrip(scale), name(skin, "111"), false);
        ok &= write(paintBottomStrip(scale), name(skin, "112"), false);
        ok &= write(paintEdge(scale), name(skin, "113"), false);
        ok &= write(paintDisplay(scale), name(skin, "114"), false);
        ok &= write(paintAppIcon(int(64 * scale)), name(skin, "103"), true);

        for (Surface surface : {Surface::MainWindow, Surface::LoopPage, Surface::EqPage}) {
            const QImage ground = surfaceGround(surface, scale);
            for (const ButtonSet& set : buttonSets()) {
                if (set.surface != surface) continue;
                std::vector<KeyState> states{KeyState::Up, KeyState::Down};
                if (set.allStates)
                    states.insert(states.end(), {KeyState::Focus, KeyState::Disabled});
                for (KeyState state : states) {
                    const QImage picture = paintButton(set, state, ground);
                    const QString base = QString("%1%2").arg(set.caption).arg(stateLetter(state));
                    if (!blendsIntoGround(set, picture, ground)) {
                        std::fprintf(stderr, "skingen: %s%s shows its border\n", qPrintable(base),
                                     suffix);
                        ok = false;
                    }
                    ok &= write(picture, name(skin, base), false);
                }
            }
        }

        for (const PointerShape& pointer : paintPointerShapes(scale))
            ok &= write(pointer.image, name(cursors, pointer.name), true);
    }
    ok &= write(paintAppIcon(256), skin + "/103-256.png", true);

    for (int size : kIconSizes)
        ok &= write(paintAppIcon(size), QString("%1/%2.png").arg(icons).arg(size), true);
    if (!writeAppIconSvg(icons + "/scalable.svg")) {
        std::fprintf(stderr, "skingen: cannot write %s/scalable.svg\n", qPrintable(icons));
        ok = false;
    }

    if (args.size() == 4) writePreviews(args[3]);
    return ok ? 0 : 1;
}
