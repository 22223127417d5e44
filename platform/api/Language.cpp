#include "Language.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>
#include <optional>

namespace {

// The value of "--lang X" or "--lang=X"; nothing when absent.
std::optional<QString> languageArgument(const QStringList &arguments)
{
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (argument == QLatin1String("--lang"))
            return i + 1 < arguments.size() ? arguments[i + 1] : QString();
        if (argument.startsWith(QLatin1String("--lang=")))
            return argument.mid(7);
    }
    return std::nullopt;
}

std::optional<Language> named(const QString &value)
{
    const QString name = value.trimmed().toLower();
    if (name == QLatin1String("de"))
        return Language::German;
    if (name == QLatin1String("en"))
        return Language::English;
    return std::nullopt;
}

} // namespace

LanguageChoice chooseLanguage(const QStringList &arguments, const QString &environment,
                              const QStringList &uiLanguages)
{
    LanguageChoice choice;
    const std::optional<QString> given = languageArgument(arguments);
    const QString asked = given ? *given : environment;
    if (given || !environment.isEmpty()) {
        if (const std::optional<Language> language = named(asked)) {
            choice.language = *language;
        } else {
            choice.error =
                QCoreApplication::translate("Language", "unbekannte Sprache \"%1\" (de oder en)")
                    .arg(asked);
        }
        return choice;
    }
    const QString first = uiLanguages.value(0);
    choice.language = first.startsWith(QLatin1String("de"), Qt::CaseInsensitive)
                          ? Language::German
                          : Language::English;
    return choice;
}

LanguageChoice chooseLanguage(const QStringList &arguments)
{
    return chooseLanguage(arguments, qEnvironmentVariable("QUELLMARK_LANG"),
                          QLocale::system().uiLanguages());
}

bool installLanguage(QCoreApplication &application, Language language)
{
    if (language == Language::German)
        return true;
    // The translation is compiled into a static library: nothing else refers to it.
    Q_INIT_RESOURCE(quellmark_translations);
    auto *own = new QTranslator(&application);
    if (own->load(QStringLiteral(":/translations/quellmark_en.qm")) &&
        application.installTranslator(own))
        return true;
    delete own;
    return false;
}

QLocale localeOf(Language language)
{
    return language == Language::German ? QLocale(QLocale::German, QLocale::Germany)
                                        : QLocale(QLocale::English, QLocale::UnitedStates);
}

QStringList withoutLanguage(const QStringList &arguments)
{
    QStringList rest;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--lang")) {
            ++i;
            continue;
        }
        if (!arguments[i].startsWith(QLatin1String("--lang=")))
            rest.append(arguments[i]);
    }
    return rest;
}
