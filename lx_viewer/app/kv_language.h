#pragma once
// The interface language: the current language (from the settings), the
// per-widget texts registered for each language, the Japanese text table and
// the helpers frames use to pick language-specific wording and picture names.
//
// Thread: GUI thread only; no locks.

#include <QHash>
#include <QObject>
#include <QString>

class QWidget;

class KVLanguage : public QObject
{
    Q_OBJECT
public:
    enum LANGUAGE_TYPE { LANGUAGE_JAPANESE = 1, LANGUAGE_ENGLISH = 2 };
    Q_ENUM(LANGUAGE_TYPE)
    enum TextRole { TEXT = 0x100, TOOLTIP = 0x200 };

    static KVLanguage *instance();

    LANGUAGE_TYPE language() const { return _language; }
    bool languageAuto() const { return _auto; }

    // Stores the text under (role | language) for the widget; a second
    // registration of the same key replaces it. A destroyed widget drops out
    // of the registry by itself.
    void registerText(int language, int role, QWidget *widget, const QString &text);
    void unregisterWidget(QWidget *widget);
    // The registered text, or an empty text.
    QString registeredText(QWidget *widget, int language, int role) const;
    int registeredWidgetCount() const { return static_cast<int>(_texts.size()); }

    // Pushes the current language's texts into the registered widgets:
    // push buttons get their non-empty tool tip and text, labels their text.
    void apply();
    // Stores, applies and announces the language (even when unchanged).
    void setLanguage(int language);

    static QString lookupJapanese(const QString &key);
    // 1 when the system locale's name contains "JP" in any case, else 2.
    static int detectSystemLanguage();
    static int detectSystemLanguage(const QString &localeName);
    static bool isJapanese();
    // "_en" for English, else empty.
    static QString languageSuffix();

signals:
    void languageChange(KVLanguage::LANGUAGE_TYPE language);

private:
    explicit KVLanguage(QObject *parent = nullptr);
    void onWidgetDestroyed(QObject *object);

    LANGUAGE_TYPE _language = LANGUAGE_JAPANESE;
    bool _auto = false;
    // widget -> (role | language) -> text
    QHash<QObject *, QHash<int, QString>> _texts;
};
