#pragma once

// The window's language. The controls are built with their English captions; when a
// translation is installed, one pass over the window replaces each caption with its
// translation (context "TForm1"), and message boxes translate their text (context
// "Messages"). Lists keep their items: the module's values and the port names are the same
// in every language.

#include <QString>
#include <QStringList>

class QWidget;

// Installs the translation for `language` ("zh_CN"), or for the system's languages when it
// is empty; "en" (or "C") installs none. Returns the language installed, empty for English.
QString InstallTranslation(const QString& language);

// The captions of `root` and its children that the pass translates: labels, buttons,
// check boxes, group titles and tab titles; texts without a letter are left out.
QStringList WindowCaptions(QWidget* root);

// Replaces every caption of `root` and its children with its translation, if any.
void TranslateCaptions(QWidget* root);

// The English captions of the window as the translation catalogue lists them.
QStringList CataloguedCaptions();
