// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The least a KF6 window program does before its first window shows: the floor against
// which Tickwarden's start-up is compared.

#include <KAboutData>
#include <KXmlGuiWindow>

#include <QApplication>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);

    KAboutData aboutData(u"minimalwindow"_s, u"Minimal Window"_s, u"1.0"_s);
    KAboutData::setApplicationData(aboutData);

    auto window = new KXmlGuiWindow;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setupGUI();
    window->show();

    return app.exec();
}
