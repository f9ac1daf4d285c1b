// The List-Unsubscribe header (RFC 2369) with one-click unsubscription
// (RFC 8058), which large mailbox providers ask of bulk mail.
//
// The setting (Message / ListUnsubscribe) holds one or two targets separated
// by blanks or commas: an http or https URL and/or a mail address (written
// "mailto:..." or bare). Both may hold merge tags ("<email>", "<name>"), which
// take each recipient's values, percent-encoded as UTF-8 so that a value can
// never end the URL or change its query. Every copy then gets
//   List-Unsubscribe: <https://example.org/u?e=ann%40example.org>, <mailto:unsub@example.org>
// and, when one target is an https URL, "List-Unsubscribe-Post:
// List-Unsubscribe=One-Click". Both are signed when DKIM is on.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "project/project_model.h"

namespace norvane {

// The targets of the setting; empty when the setting is. Throws
// std::invalid_argument saying what is wrong with a target: neither a URL
// nor an address, blanks or characters a URL cannot hold, a tag left open.
std::vector<std::string> ListUnsubscribeTargets(std::string_view setting);

// "https://..." / "mailto:..." of one target with the row's values merged in.
std::string MergedTarget(const ProjectModel& model, int row, std::string_view target);

// Adds the header lines for the row (nothing for an empty setting). Throws as
// ListUnsubscribeTargets does.
void AddListUnsubscribe(std::vector<std::string>& hdrLines, std::string_view setting,
                        const ProjectModel& model, int row);

}  // namespace norvane
