#pragma once

#include "ModelDownload.h"

#include <QString>

// Whether some naming engine can work now, is being prepared, has failed or is missing,
// for the model status across the interface. Views that show it follow
// ModelDownload::shared()'s stateChanged() and the browser's Ollama flag.
namespace LocalBrain {

struct Status
{
    enum class Kind { preparing, failed, ready, notReady };

    Kind kind = Kind::notReady;
    double progress = 0;        // preparing: the fraction downloaded
    bool indeterminate = false; // preparing: the file is being verified
    QString message;            // failed: the download's message

    bool operator==(const Status &) const = default;
};

// The first that holds: Ollama up, the system model available, a local model file
// present → ready; else the download's state (downloading → preparing with its fraction,
// verifying → preparing without one, failed → failed, idle or done → not ready).
Status status(bool ollamaUp, bool systemModelAvailable, bool localModelPresent,
              const ModelDownload::State &download);
// The same for this machine's engines and the given download state. GUI thread.
Status status(bool ollamaUp, const ModelDownload::State &download);
// The same for this machine and ModelDownload::shared(). GUI thread.
Status status(bool ollamaUp);

// The localised one-line label of a status. A progress that is not a finite number counts
// as 0; it is shown within 0 … 100 %.
QString label(const Status &status);
QString label(bool ollamaUp);

} // namespace LocalBrain
