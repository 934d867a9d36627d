#include "SoundFixtures.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QtEndian>
#include <cmath>

namespace fixtures {
namespace {

void put16(QByteArray& b, quint16 v) {
    char le[2];
    qToLittleEndian(v, le);
    b.append(le, 2);
}

void put32(QByteArray& b, quint32 v) {
    char le[4];
    qToLittleEndian(v, le);
    b.append(le, 4);
}

void putBig32(QByteArray& b, quint32 v) {
    char be[4];
    qToBigEndian(v, be);
    b.append(be, 4);
}

void putBig16(QByteArray& b, quint16 v) {
    char be[2];
    qToBigEndian(v, be);
    b.append(be, 2);
}

QByteArray varLength(quint32 v) {
    QByteArray out;
    out.prepend(char(v & 0x7f));
    while (v >>= 7)
        out.prepend(char((v & 0x7f) | 0x80));
    return out;
}

} // namespace

QByteArray toneWav(int ms, double hz, double left, double right, int rate) {
    const quint32 frames = quint32(qint64(rate) * ms / 1000);
    const quint32 dataBytes = frames * 4;
    QByteArray b;
    b.append("RIFF");
    put32(b, 36 + dataBytes);
    b.append("WAVEfmt ");
    put32(b, 16);
    put16(b, 1); // PCM
    put16(b, 2);
    put32(b, quint32(rate));
    put32(b, quint32(rate) * 4);
    put16(b, 4);
    put16(b, 16);
    b.append("data");
    put32(b, dataBytes);
    for (quint32 i = 0; i < frames; ++i) {
        const double s = std::sin(2.0 * M_PI * hz * i / rate);
        put16(b, quint16(qint16(std::lround(s * left * 32767))));
        put16(b, quint16(qint16(std::lround(s * right * 32767))));
    }
    return b;
}

QByteArray oneNoteMidi(int ms) {
    // 480 ticks per quarter note at the default 120 beats per minute: 960 ticks a second.
    const quint32 ticks = quint32(qint64(ms) * 960 / 1000);
    QByteArray track;
    track += varLength(0) + QByteArray("\xC0\x10", 2);     // program 16: organ, a steady tone
    track += varLength(0) + QByteArray("\x90\x45\x7F", 3); // note on A4, full velocity
    track += varLength(ticks) + QByteArray("\x80\x45\x00", 3);
    track += varLength(0) + QByteArray("\xFF\x2F\x00", 3); // end of track
    QByteArray b("MThd");
    putBig32(b, 6);
    putBig16(b, 0);
    putBig16(b, 1);
    putBig16(b, 480);
    b.append("MTrk");
    putBig32(b, quint32(track.size()));
    b += track;
    return b;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

bool encodeMp3(const QString& wavPath, const QString& mp3Path) {
    const QString lame = QStandardPaths::findExecutable(QStringLiteral("lame"));
    if (lame.isEmpty())
        return false;
    QProcess p;
    p.start(lame, {QStringLiteral("--quiet"), QStringLiteral("-b"), QStringLiteral("128"), wavPath, mp3Path});
    return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

void useDummyAudio() {
    qputenv("SDL_AUDIODRIVER", "dummy");
}

} // namespace fixtures
