// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Replays kept fuzzer inputs through a target when it is built without libFuzzer, so that
// every input that once found a fault stays a regression test.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv);
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

int main(int argc, char **argv)
{
    LLVMFuzzerInitialize(&argc, &argv);

    QFileInfoList inputs;
    for (int i = 1; i < argc; ++i) {
        const QFileInfo info(QFile::decodeName(argv[i]));
        if (info.isDir()) {
            inputs += QDir(info.filePath()).entryInfoList(QDir::Files | QDir::Hidden, QDir::Name);
        } else {
            inputs += info;
        }
    }
    if (inputs.isEmpty()) {
        std::fprintf(stderr, "no inputs to replay\n");
        return 1;
    }

    for (const QFileInfo &input : std::as_const(inputs)) {
        QFile file(input.filePath());
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(input.filePath()));
            return 1;
        }
        const QByteArray bytes = file.readAll();
        std::fprintf(stderr, "replaying %s (%lld bytes)\n", qPrintable(input.fileName()), static_cast<long long>(bytes.size()));
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size()));
    }
    std::fprintf(stderr, "replayed %lld inputs\n", static_cast<long long>(inputs.size()));
    return 0;
}
