#include "kv_language.h"

#include "kv_settings.h"

#include <QLabel>
#include <QLocale>
#include <QMap>
#include <QPushButton>

namespace {

QMap<QString, QString> &japaneseTable()
{
    static QMap<QString, QString> table;
    if (table.isEmpty()) {
        static const char *const entries[][2] = {
            {"report", "レポート"},
            {"map", "地図"},
            {"language", "言語選択"},
            {"file_type", "タイプ"},
            {"file_name", "ファイル名"},
            {"file_duration", "録画時間"},
            {"restart_msg", "再起動します"},
            {"viewer_info", "ビューア情報"},
            {"capture", "JPG 保存"},
            {"close", "閉じる"},
            {"minimize", "最小化"},
            {"low_speed", "低速"},
            {"high_speed", "高速 ( 130 Km/h 以上 )"},
            {"flip_h", "左右反転"},
            {"flip_v", "上下反転"},
            {"swap", "フロント･リア切替え"},
            {"fullscreen", "フルスクリーン"},
            {"graph_zoom_in", "拡大"},
            {"graph_zoom_out", "縮小"},
            {"brightness", "明るさ"},
            {"contrast", "コントラスト"},
            {"play_speed", "再生速度"},
            {"volume_mute", "音量"},
            {"volume_un_mute", "音量"},
            {"play_backward", "10秒前へ"},
            {"play_forward", "10秒進む"},
            {"play_play", "再生"},
            {"play_stop", "停止"},
            {"play_file_previous", "前のファイル"},
            {"play_file_next", "次のファイル"},
            {"open", "ファイルを開く"},
            {"play_pause", "一時停止"},
            {"backup", "コピー"},
            {"viewer_sw_version", "Viewer S/W バージョン情報"},
            {"hw_accel", "ハードウェアアクセラレーション"},
            {"pw_message", "パスワード作成（4文字以上20文字以内）生成。"},
            {"password", "パスワード"},
            {"password_new", "パスワード作成"},
            {"password_input", "パスワード入力"},
            {"password_change", "パスワード変更"},
            {"ok", "OK"},
            {"cancel", "キャンセル"},
            {"change", "変更"},
            {"input", "入力"},
            {"confirm", "確認"},
            {"old", "以前"},
            {"password_wrong", "間違ったパスワード"},
            {"warning", "注意"},
            {"save", "保存"},
            {"default", "初期値"},
            {"lat", "緯度"},
            {"lon", "経度"},
            {"open_message", "録画ファイルがあるフォルダを選択"},
        };
        for (const auto &entry : entries)
            table.insert(QString::fromUtf8(entry[0]), QString::fromUtf8(entry[1]));
    }
    return table;
}

} // namespace

KVLanguage *KVLanguage::instance()
{
    static KVLanguage *s_instance = nullptr;
    if (!s_instance)
        s_instance = new KVLanguage();
    return s_instance;
}

KVLanguage::KVLanguage(QObject *parent) : QObject(parent)
{
    KVSettings *settings = KVSettings::instance();
    _language = settings->language() == LANGUAGE_ENGLISH ? LANGUAGE_ENGLISH : LANGUAGE_JAPANESE;
    _auto = settings->languageAuto();
}

void KVLanguage::registerText(int language, int role, QWidget *widget, const QString &text)
{
    if (!widget)
        return;
    auto it = _texts.find(widget);
    if (it == _texts.end()) {
        it = _texts.insert(widget, {});
        // Widgets other than buttons (labels of pop-ups) are destroyed without
        // unregistering; a dangling entry would crash the next apply().
        connect(widget, &QObject::destroyed, this, &KVLanguage::onWidgetDestroyed);
    }
    it->insert(role | language, text);
}

void KVLanguage::unregisterWidget(QWidget *widget)
{
    if (_texts.remove(widget))
        disconnect(widget, &QObject::destroyed, this, &KVLanguage::onWidgetDestroyed);
}

void KVLanguage::onWidgetDestroyed(QObject *object)
{
    _texts.remove(object);
}

QString KVLanguage::registeredText(QWidget *widget, int language, int role) const
{
    const auto it = _texts.constFind(widget);
    if (it == _texts.constEnd())
        return QString();
    return it->value(role | language);
}

void KVLanguage::apply()
{
    const QList<QObject *> widgets = _texts.keys();
    for (QObject *object : widgets) {
        const auto it = _texts.constFind(object);
        if (it == _texts.constEnd())
            continue;
        const QString toolTip = it->value(TOOLTIP | static_cast<int>(_language));
        const QString text = it->value(TEXT | static_cast<int>(_language));
        if (auto *button = qobject_cast<QPushButton *>(object)) {
            if (!toolTip.isEmpty())
                button->setToolTip(toolTip);
            if (!text.isEmpty())
                button->setText(text);
        } else if (auto *label = qobject_cast<QLabel *>(object)) {
            label->setText(text);
        }
    }
}

void KVLanguage::setLanguage(int language)
{
    _language = language == LANGUAGE_ENGLISH ? LANGUAGE_ENGLISH : LANGUAGE_JAPANESE;
    apply();
    KVSettings::instance()->setLanguage(_language);
    emit languageChange(_language);
}

QString KVLanguage::lookupJapanese(const QString &key)
{
    QMap<QString, QString> &table = japaneseTable();
    const auto it = table.constFind(key);
    if (it != table.constEnd())
        return *it;
    table.insert(key, QString());
    return QString();
}

int KVLanguage::detectSystemLanguage()
{
    return detectSystemLanguage(QLocale::system().name());
}

int KVLanguage::detectSystemLanguage(const QString &localeName)
{
    return localeName.contains(QLatin1String("JP"), Qt::CaseInsensitive) ? LANGUAGE_JAPANESE
                                                                          : LANGUAGE_ENGLISH;
}

bool KVLanguage::isJapanese()
{
    return instance()->language() == LANGUAGE_JAPANESE;
}

QString KVLanguage::languageSuffix()
{
    return instance()->language() == LANGUAGE_ENGLISH ? QStringLiteral("_en") : QString();
}
