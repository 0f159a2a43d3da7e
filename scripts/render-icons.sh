#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Tickwarden developers
# SPDX-License-Identifier: GPL-2.0-or-later
#
# Renders data/sc-apps-tickwarden.svg into the PNG icons kept beside it
# (data/<size>-apps-tickwarden.png). Run it after every change of the SVG and commit the
# PNGs: an installation must show the icon even where Qt's SVG plugins are missing, and
# the build should not need an SVG renderer.
#
# Renders with Qt's own SVG support, inside the build root when this host has no Qt 6.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
src=$(cd "$here/.." && pwd)

if [[ "${1:-}" != --inside ]]; then
    exec "$here/tickwarden-dev" shell "/src/scripts/render-icons.sh --inside"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/render.cpp" <<'CPP'
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <cstdio>

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QString svg = QString::fromLocal8Bit(argv[1]);
    const QString folder = QString::fromLocal8Bit(argv[2]);
    for (int size : {16, 22, 32, 48, 64, 128, 256}) {
        QImageReader reader(svg);
        reader.setScaledSize(QSize(size, size));
        const QImage image = reader.read().convertToFormat(QImage::Format_ARGB32);
        if (image.isNull()) {
            std::fprintf(stderr, "render-icons: %s\n", qPrintable(reader.errorString()));
            return 1;
        }
        if (!image.save(folder + QStringLiteral("/%1-apps-tickwarden.png").arg(size))) {
            return 1;
        }
    }
    return 0;
}
CPP
qt=/usr/include/x86_64-linux-gnu/qt6
g++ -std=c++17 -fPIC "$work/render.cpp" -o "$work/render" -I"$qt" -I"$qt/QtCore" -I"$qt/QtGui" -lQt6Gui -lQt6Core
QT_QPA_PLATFORM=offscreen "$work/render" "$src/data/sc-apps-tickwarden.svg" "$src/data"
echo "render-icons: wrote $(ls "$src"/data/*-apps-tickwarden.png | wc -l) PNG icons into data/"
