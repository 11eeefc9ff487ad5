#pragma once

// The name a profile's setting has on the window's pages, for tables that list settings:
// "RS485 Communication Parameter Settings: baud", "Instrument 2: HART mode". The captions
// are the pages' own English texts (translated where the pages are); a key the pages do
// not show is named by the key itself.

#include <QString>

#include <string>

QString SettingCaption(const std::string& key);
