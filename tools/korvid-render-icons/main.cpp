// korvid-render-icons --svg-dir DIR --out DIR KIND:NAME...
//
// Renders DIR/NAME.svg (and DIR/NAME_checked.svg for toggles) into the PNG
// pictures of the resource tree: KIND is picture, button, toggle or group
// (see kv_icon_palette.h for the files and the colour rule of the states).
// Exit status 0 when every picture was written, 1 otherwise.

#include "kv_icon_palette.h"
#include "kv_icon_render.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTextStream>

namespace
{

bool readSvg(const QString &path, QString *svg)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    *svg = QString::fromUtf8(file.readAll());
    return true;
}

// Renders one drawing in the given states under base + state suffix.
bool renderStates(const QString &svgPath, const QString &outDir, const QString &base,
    const QList<KVIconPalette::State> &states, QTextStream &err)
{
    QString svg;
    if (!readSvg(svgPath, &svg)) {
        err << "korvid-render-icons: cannot read " << svgPath << "\n";
        return false;
    }
    QString error;
    if (!KVIconRender::checkText(svg, &error)) {
        err << "korvid-render-icons: " << svgPath << ": " << error << "\n";
        return false;
    }
    for (const KVIconPalette::State state : states) {
        const QString out = outDir + QLatin1Char('/') + base + KVIconPalette::suffix(state)
            + QStringLiteral(".png");
        if (!KVIconRender::renderToPng(KVIconPalette::recolour(svg, state), out, &error)) {
            err << "korvid-render-icons: " << svgPath << ": " << error << "\n";
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    // Build machines often have no session: give Qt a private runtime folder
    // rather than a warning on every build.
    QTemporaryDir runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && runtime.isValid())
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    QString svgDir, outDir;
    QStringList entries;
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--svg-dir") && i + 1 < args.size())
            svgDir = args[++i];
        else if (args[i] == QLatin1String("--out") && i + 1 < args.size())
            outDir = args[++i];
        else
            entries << args[i];
    }
    if (svgDir.isEmpty() || outDir.isEmpty() || entries.isEmpty()) {
        err << "usage: korvid-render-icons --svg-dir DIR --out DIR KIND:NAME...\n";
        return 1;
    }
    if (!QDir().mkpath(outDir)) {
        err << "korvid-render-icons: cannot create " << outDir << "\n";
        return 1;
    }

    using S = KVIconPalette::State;
    const QList<S> all{S::Normal, S::Hover, S::Pressed, S::Disabled};
    bool ok = true;
    for (const QString &entry : entries) {
        const int colon = entry.indexOf(QLatin1Char(':'));
        KVIconPalette::Kind kind;
        if (colon <= 0 || !KVIconPalette::parseKind(entry.left(colon), &kind)) {
            err << "korvid-render-icons: bad picture " << entry << "\n";
            ok = false;
            continue;
        }
        const QString name = entry.mid(colon + 1);
        const QString svgPath = svgDir + QLatin1Char('/') + name + QStringLiteral(".svg");
        switch (kind) {
        case KVIconPalette::Picture:
            ok &= renderStates(svgPath, outDir, name, {S::Normal}, err);
            break;
        case KVIconPalette::Group:
            ok &= renderStates(svgPath, outDir, name, {S::Normal, S::Disabled}, err);
            break;
        case KVIconPalette::Button:
            ok &= renderStates(svgPath, outDir, name, all, err);
            break;
        case KVIconPalette::Toggle:
            ok &= renderStates(svgPath, outDir, name, all, err);
            ok &= renderStates(svgDir + QLatin1Char('/') + name + QStringLiteral("_checked.svg"),
                outDir, name + QStringLiteral("_checked"), all, err);
            break;
        }
    }
    return ok ? 0 : 1;
}
