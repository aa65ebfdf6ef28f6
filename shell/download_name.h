// Which downloads the window saves, and under what name: only the service's
// own, into the user's download folder, under a name that cannot reach out
// of that folder, hide the file or overwrite another.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace pellomar {

// A download is saved only when the address asked for and, once there is a
// response, the address it came from (after redirects) are both of the
// service's origin. Origins are as the engine gives them; an empty one is
// unknown and never matches.
bool MaySaveDownload(std::u16string_view request_origin, std::u16string_view response_origin,
                     std::u16string_view service_origin);

// The suggested name's last path component, without control, format or
// direction-override characters, without leading dots and spaces or trailing
// dots and spaces, cut to a length every file system takes (the extension
// kept). "下载" when nothing is left.
std::u16string CleanDownloadName(std::u16string_view suggested);

// clean_name if it is free, else "stem (2).ext", "stem (3).ext", ... the
// first free one; empty when none of the first thousands is.
std::u16string FreeDownloadName(std::u16string_view clean_name,
                                const std::function<bool(std::u16string_view)>& taken);

}  // namespace pellomar
