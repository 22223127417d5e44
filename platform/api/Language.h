#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

class QCoreApplication;

// The language Quellmark speaks: its own texts are written in German (the windows' specified
// texts German and English as they stand); English is a translation of the German ones.
enum class Language { German, English };

struct LanguageChoice {
    Language language = Language::German;
    QString error; // a --lang or QUELLMARK_LANG that is neither "de" nor "en"
};

// "--lang de|en" (or "--lang=…") among the arguments, else the environment's QUELLMARK_LANG,
// else the workstation's UI languages (QLocale::uiLanguages(), most wanted first): German
// when the first is German, English otherwise. A bad value is an error and keeps German.
LanguageChoice chooseLanguage(const QStringList &arguments, const QString &environment,
                              const QStringList &uiLanguages);
// The same with the process's environment and the system's UI languages.
LanguageChoice chooseLanguage(const QStringList &arguments);

// Loads the translation of Quellmark's own texts for the language (none for German: the
// texts are German). Gives whether the language's texts are in place.
bool installLanguage(QCoreApplication &application, Language language);
// The locale whose Qt translations (Qt's own dialogs) go with the language.
QLocale localeOf(Language language);

// The arguments without "--lang X" / "--lang=X", for programs that parse the rest.
QStringList withoutLanguage(const QStringList &arguments);
