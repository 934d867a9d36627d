#include "sound/mdlM_Tape.h"

#include "reslib/OsInfo.h"
#include "sound/SpeechEngine.h"
#include "sound/mdlSndAPI.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QVector>

namespace mdlM_Tape {
namespace {

const QString kSpeechUnavailableOs = QStringLiteral("Windows Vista");

struct TapeState {
    QVector<TapeEntry> TapeList; // entries 1..TapeCount at 0..TapeCount-1
    qint32 TapeCount = 0;
    qint32 TapePos = 0;
    bool SpeechReady = false;
    // The last list loaded without fault: its buttons can be pressed.
    bool Usable = false;
    QPointer<SpeechEngine> engine;
    TapeFrame frame;
    std::function<TapeSettings()> settings;
    SpeechFactory factory;
};

TapeState& state() {
    static TapeState s;
    return s;
}

void setCaption(const QString& caption) {
    if (state().frame.setCaption)
        state().frame.setCaption(caption);
}

void setEnabled(TapeControl control, bool enabled) {
    if (state().frame.setEnabled)
        state().frame.setEnabled(control, enabled);
}

void setToolTip(const QString& toolTip) {
    if (state().frame.setToolTip)
        state().frame.setToolTip(toolTip);
}

TapeSettings currentSettings() {
    return state().settings ? state().settings() : TapeSettings{};
}

QString chimeFor(const TapeSettings& s, qint16 kind) {
    switch (kind) {
    case 1:
        return s.PreAnnounceSound1;
    case 2:
        return s.PreAnnounceSound2;
    case 3:
        return s.PreAnnounceSound3;
    default:
        return QString();
    }
}

bool hasChime(qint16 kind) {
    return kind >= 1 && kind <= 3;
}

bool validPos(qint32 pos) {
    return pos >= 1 && pos <= state().TapeCount && pos <= state().TapeList.size();
}

// The chime TapeNext plays before entry `pos` ("" for none).
QString nextChime(const TapeSettings& s, qint32 pos) {
    if (s.PreAnnounceAlways)
        return s.PreAnnounceFixed;
    const qint16 kind = GetTapeChimeKind(pos);
    return hasChime(kind) ? chimeFor(s, kind) : QString();
}

// The file as named, or, on a file system that tells case apart, the one file in the
// folder whose name matches but for case (lists made elsewhere are often "12TP.CSV").
QString existingFile(const QString& path) {
    if (QFileInfo(path).isFile())
        return path;
    const QFileInfo info(path);
    const QDir dir = info.dir();
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden);
    for (const QString& name : names) {
        if (name.compare(info.fileName(), Qt::CaseInsensitive) == 0)
            return dir.filePath(name);
    }
    return path;
}

} // namespace

void setTapeFrame(TapeFrame frame) {
    state().frame = std::move(frame);
}
void setSettingsSource(std::function<TapeSettings()> source) {
    state().settings = std::move(source);
}
void setSpeechFactory(SpeechFactory factory) {
    state().factory = std::move(factory);
}

SpeechFactory defaultSpeechFactory() {
    return []() -> SpeechEngine* {
        return OpenJTalkEngine::create(OpenJTalkSetup::find(), QCoreApplication::instance());
    };
}

void InitTape() {
    TapeState& s = state();
    if (GetOsInfo() == kSpeechUnavailableOs) {
        s.SpeechReady = false;
        setCaption(QCoreApplication::translate("mdlM_Tape", "音合使用不可"));
        setEnabled(TapeControl::grpM_Tape, false);
        return;
    }
    delete s.engine.data();
    const SpeechFactory factory = s.factory ? s.factory : defaultSpeechFactory();
    s.engine = factory();
    if (s.engine) {
        setEnabled(TapeControl::grpM_Tape, true);
        setCaption(QCoreApplication::translate("mdlM_Tape", "音合使用可"));
        s.SpeechReady = true;
    } else {
        s.SpeechReady = false;
        setCaption(QCoreApplication::translate("mdlM_Tape", "音合使用不可"));
        setEnabled(TapeControl::grpM_Tape, false);
    }
}

QString failedListToolTip(const QString& path, const tapelist::FileLoad& load) {
    const QString shown = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    QString why;
    switch (load.fileStatus) {
    case regularfile::Status::Missing:
        return QCoreApplication::translate("mdlM_Tape", "放送用データがありません：") + shown;
    case regularfile::Status::NotRegular:
        why = QCoreApplication::translate("mdlM_Tape", "通常のファイルではありません。");
        break;
    case regularfile::Status::TooLarge:
        why = QCoreApplication::translate("mdlM_Tape", "ファイルが大きすぎます。");
        break;
    case regularfile::Status::Failed:
        why = regularfile::describe(load.error);
        break;
    case regularfile::Status::Read:
        why = QCoreApplication::translate("mdlM_Tape", "%1行目を読めません。").arg(load.list.failedLine);
        break;
    }
    return QCoreApplication::translate("mdlM_Tape", "放送用データを読み込めませんでした：") + shown +
           QLatin1Char('\n') + why;
}

QString tapeFilePath(const QString& Folder, const QString& RouteNo) {
    QString folder = Folder;
    // A folder saved with the other platform's separator still names the folder.
    if (folder.endsWith(QLatin1Char('\\'))) {
        folder.chop(1);
        folder += QLatin1Char('/');
    }
    return folder + RouteNo + QStringLiteral("tp.csv");
}

void LoadTape(const QString& Folder, const QString& RouteNo) {
    if (GetOsInfo() == kSpeechUnavailableOs)
        return;
    TapeState& s = state();
    const QString path = existingFile(tapeFilePath(Folder, RouteNo));
    const tapelist::FileLoad file = tapelist::readFile(path);
    const auto errorExit = [&]() {
        setEnabled(TapeControl::grpM_Tape, false);
        setToolTip(failedListToolTip(path, file));
        s.Usable = false;
        PrepareNext();
    };
    if (file.fileStatus != regularfile::Status::Read)
        return errorExit();

    const TapeListLoad& load = file.list;
    s.TapeCount = load.lineCount;
    if (load.lineCount <= 0) {
        // The list cannot be sized: what was there before can no longer be reached.
        s.TapeList.clear();
        return errorExit();
    }
    s.TapeList = load.entries;
    s.TapePos = load.recordsRead;
    if (!load.ok)
        return errorExit();

    setToolTip(QString());
    if (s.SpeechReady) {
        for (TapeControl c : {TapeControl::grpM_Tape, TapeControl::cmdTapeNext, TapeControl::cmdTapeBack,
                              TapeControl::cmdTapeStop, TapeControl::cmdTapeSet})
            setEnabled(c, true);
    }
    s.TapePos = 0;
    s.Usable = true;
    PrepareNext();
}

void TapeNext() {
    TapeState& s = state();
    s.TapePos += 1;
    if (s.TapePos > s.TapeCount) {
        s.TapePos = s.TapeCount;
        return;
    }
    const TapeSettings settings = currentSettings();
    const qint16 wait = settings.PreAnnounceSync ? -1 : 0;
    if (settings.PreAnnounceAlways || hasChime(GetTapeChimeKind(s.TapePos)))
        mdlSndAPI::PlaySnd(nextChime(settings, s.TapePos), QStringLiteral("S3"), wait, 0);
    SpeakTape(s.TapePos);
    PrepareNext();
}

void TapeBack() {
    TapeState& s = state();
    s.TapePos -= 1;
    if (s.TapePos < 1) {
        s.TapePos = 1;
        return;
    }
    const TapeSettings settings = currentSettings();
    const qint16 wait = settings.PreAnnounceSync ? -1 : 0;
    const qint16 kind = GetTapeChimeKind(s.TapePos);
    if (hasChime(kind))
        mdlSndAPI::PlaySnd(chimeFor(settings, kind), QStringLiteral("S2"), wait, 0);
    SpeakTape(s.TapePos);
    PrepareNext();
}

bool SpeakTape(qint32 Pos) {
    SpeechEngine* engine = state().engine;
    if (!engine)
        return false;
    engine->stop();
    if (!validPos(Pos))
        return false;
    engine->speak(state().TapeList[Pos - 1].Text);
    if (engine->status() == -1)
        engine->stop();
    return true;
}

QList<UpcomingAnnouncement> UpcomingEntries(int count) {
    const TapeState& s = state();
    QList<UpcomingAnnouncement> out;
    if (!s.Usable)
        return out;
    const TapeSettings settings = currentSettings();
    for (qint32 pos = s.TapePos + 1; validPos(pos) && out.size() < count; ++pos)
        out << UpcomingAnnouncement{s.TapeList[pos - 1].Text, nextChime(settings, pos)};
    return out;
}

void PrepareNext() {
    if (SpeechEngine* engine = state().engine)
        engine->prepare(UpcomingEntries());
}

void StopTape() {
    if (SpeechEngine* engine = state().engine)
        engine->stop();
}

void ReleaseTape() {
    TapeState& s = state();
    if (SpeechEngine* engine = s.engine) {
        engine->stop();
        delete engine;
    }
    s.engine = nullptr;
}

qint32 GetTapePos() {
    return state().TapePos;
}
qint32 GetTapeCount() {
    return state().TapeCount;
}

qint16 GetTapeMoveStop(qint32 Pos) {
    return validPos(Pos) ? state().TapeList[Pos - 1].MoveStop : 0;
}
qint16 GetTapeChimeKind(qint32 Pos) {
    return validPos(Pos) ? state().TapeList[Pos - 1].ChimeKind : 0;
}

bool SpeechReady() {
    return state().SpeechReady;
}
SpeechEngine* Engine() {
    return state().engine;
}

void TapeNextAndStep(const std::function<void(int direction)>& stepStop) {
    TapeNext();
    if (GetTapeMoveStop(GetTapePos()) == 1 && stepStop)
        stepStop(1);
}

void TapeBackAndStep(const std::function<void(int direction)>& stepStop) {
    TapeBack();
    if (GetTapeMoveStop(GetTapePos()) == 1 && stepStop)
        stepStop(0);
}

} // namespace mdlM_Tape
