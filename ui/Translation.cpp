#include "ui/Translation.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QTabWidget>
#include <QTranslator>

#include <functional>

namespace {

constexpr const char* CaptionContext = "TForm1";

bool HasLetter(const QString& text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isLetter(); });
}

// Calls `visit` with each caption of the widget tree and a setter that replaces it.
void ForEachCaption(
    QWidget* root,
    const std::function<void(const QString&, const std::function<void(const QString&)>&)>& visit) {
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* widget : widgets) {
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            visit(label->text(), [label](const QString& text) { label->setText(text); });
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            visit(button->text(), [button](const QString& text) { button->setText(text); });
        } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
            visit(group->title(), [group](const QString& text) { group->setTitle(text); });
        } else if (auto* tabs = qobject_cast<QTabWidget*>(widget)) {
            for (int i = 0; i < tabs->count(); ++i)
                visit(tabs->tabText(i),
                      [tabs, i](const QString& text) { tabs->setTabText(i, text); });
        }
    }
}

} // namespace

QString InstallTranslation(const QString& language) {
    static QTranslator* installed = nullptr;
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
        installed = nullptr;
    }
    if (language == QLatin1String("en") || language == QLatin1String("C"))
        return {};
    auto* translator = new QTranslator;
    const bool loaded =
        language.isEmpty() ? translator->load(QLocale::system(), QStringLiteral("talmire"),
                                              QStringLiteral("_"), QStringLiteral(":/translations"))
                           : translator->load(QStringLiteral("talmire_") + language,
                                              QStringLiteral(":/translations"));
    if (!loaded) {
        delete translator;
        return {};
    }
    QCoreApplication::installTranslator(translator);
    installed = translator;
    return translator->language();
}

QStringList WindowCaptions(QWidget* root) {
    QStringList captions;
    ForEachCaption(root, [&](const QString& text, const auto&) {
        if (HasLetter(text) && !captions.contains(text))
            captions << text;
    });
    return captions;
}

void TranslateCaptions(QWidget* root) {
    ForEachCaption(root, [](const QString& text, const std::function<void(const QString&)>& set) {
        if (!HasLetter(text))
            return;
        const QByteArray source = text.toUtf8();
        const QString translated = QCoreApplication::translate(CaptionContext, source.constData());
        if (translated != text)
            set(translated);
    });
}
