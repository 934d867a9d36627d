#pragma once

#include "plugins/PluginFile.h"

#include <memory>

namespace plugins {

// The plug-in at `path`, read again only when the file has changed (its size, time
// of change or identity), so that drawing the preview on every board update does not
// read and parse the file each time. Never null; an unreadable file gives a plug-in
// with its problem listed.
std::shared_ptr<const PluginFile> cachedPlugin(const QString& path);

// Forgets every plug-in read so far.
void clearPluginCache();

} // namespace plugins
