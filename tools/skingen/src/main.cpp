// Draws the skin of the player and writes it as PNG files into the resources folder.
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
    if (!QDir().mkpath(skin) || !QDir().mkpath(cursors)) {
        std::fprintf(stderr, "skingen: cannot create %s\n", qPrintable(skin));
        return 1;
    }

    bool ok = true;
    ok &= write(paintBrandPanel(), skin + "/110.png", false);
    ok &= write(paintTopStrip(), skin + "/111.png", false);
    ok &= write(paintBottomStrip(), skin + "/112.png", false);
    ok &= write(paintEdge(), skin + "/113.png", false);
    ok &= write(paintDisplay(), skin + "/114.png", false);
    ok &= write(paintAppIcon(64), skin + "/103.png", true);
    ok &= write(paintAppIcon(256), skin + "/103-256.png", true);

    for (Surface surface : {Surface::MainWindow, Surface::LoopPage, Surface::EqPage}) {
        const QImage ground = surfaceGround(surface);
        for (const ButtonSet& set : buttonSets()) {
            if (set.surface != surface) continue;
            std::vector<KeyState> states{KeyState::Up, KeyState::Down};
            if (set.allStates) states.insert(states.end(), {KeyState::Focus, KeyState::Disabled});
            for (KeyState state : states) {
                const QImage picture = paintButton(set, state, ground);
                const QString name = QString("%1%2").arg(set.caption).arg(stateLetter(state));
                if (!blendsIntoGround(set, picture, ground)) {
                    std::fprintf(stderr, "skingen: %s shows its border\n", qPrintable(name));
                    ok = false;
                }
                ok &= write(picture, QString("%1/%2.png").arg(skin, name), false);
            }
        }
    }

    for (const PointerShape& pointer : paintPointerShapes())
        ok &= write(pointer.image, QString("%1/%2.png").arg(cursors, pointer.name), true);

    if (args.size() == 4) writePreviews(args[3]);
    return ok ? 0 : 1;
}
