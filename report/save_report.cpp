#include "report/save_report.h"

#include "farm/farm.h"
#include "report/farm_log.h"

namespace {

std::string lowerFirst(std::string_view text) {
    std::string out(text);
    if (!out.empty() && out[0] >= 'A' && out[0] <= 'Z') {
        out[0] = static_cast<char>(out[0] - 'A' + 'a');
    }
    return out;
}

}  // namespace

void reportSave(Farm& farm, SaveNotice& notice, std::string_view what, const std::string& path,
                const SaveResult& result, ShowFailure show) {
    bool inPlace = result.how == SaveResult::InPlace;
    if (inPlace && !notice.inPlace) {
        logLine(farm, std::string(what) + " saved in place, not through a temporary file:",
                path + " (" + fileErrorText(result.tempError) + ")");
    }
    if (result.ok()) {
        notice.inPlace = inPlace;
        notice.failing = false;
        return;
    }
    std::string reason = fileErrorText(result.error ? result.error : result.tempError);
    if (!notice.failing) {
        logLine(farm, std::string(what) + " cannot be saved:", path + " (" + reason + ")");
    }
    if (!notice.failing || show == ShowFailure::Always) {
        farm.host.showError("Couldn't save the " + lowerFirst(what) + " " + path + ": " + reason);
    }
    notice.failing = true;
}
