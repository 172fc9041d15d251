// The path map between the render nodes' view of the shared folders and this machine's: a farm
// of Windows nodes names its share Q:\ or \\server\share where this machine mounts it at
// /srv/farm. Paths read from scenes are turned into local ones; the scene path of a "load"
// command is turned back into the nodes' form.
//
// A pair matches a path when its path is a prefix of it that ends at a folder boundary: the pair
// ends with a separator, or the path ends there, or a separator follows. So /srv/farm matches
// /srv/farm and /srv/farm/queue but not /srv/farmhouse. A pair with an empty side is ignored.
#pragma once

#include <string>
#include <string_view>

struct FarmSettings;

// The local form of a path as the nodes name it. The first pair whose node path is a prefix
// (letters compared without case, "\" and "/" alike) has it replaced by its local path, and
// every "\" left becomes "/". With no matching pair, a path that names a Windows drive or share
// comes back exactly as given (it has no local form; the caller reports it), any other path
// with each "\" turned into "/".
std::string nodeToLocal(const FarmSettings& settings, std::string_view nodePath);

// The nodes' form of a local path. The first pair whose local path is a prefix (compared
// exactly) has it replaced by its node path; when that node path holds a "\" or a drive letter,
// every "/" after it becomes "\". With no matching pair the path comes back unchanged.
std::string localToNode(const FarmSettings& settings, std::string_view localPath);
