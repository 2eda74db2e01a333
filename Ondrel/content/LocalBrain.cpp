#include "LocalBrain.h"

#include "DisplayHelpers.h"
#include "LocalLLM.h"
#include "Localization.h"
#include "SystemModel.h"

namespace LocalBrain {

Status status(bool ollamaUp, bool systemModelAvailable, bool localModelPresent,
              const ModelDownload::State &download)
{
    if (ollamaUp || systemModelAvailable || localModelPresent)
        return {Status::Kind::ready, 0, false, {}};
    using Kind = ModelDownload::State::Kind;
    switch (download.kind) {
    case Kind::downloading: return {Status::Kind::preparing, download.fraction, false, {}};
    case Kind::verifying: return {Status::Kind::preparing, 0, true, {}};
    case Kind::failed: return {Status::Kind::failed, 0, false, download.message};
    case Kind::idle:
    case Kind::done: break;
    }
    return {Status::Kind::notReady, 0, false, {}};
}

Status status(bool ollamaUp, const ModelDownload::State &download)
{
    return status(ollamaUp, SystemModel::isAvailable(), LocalLLM::activeModelPath().has_value(), download);
}

Status status(bool ollamaUp)
{
    return status(ollamaUp, ModelDownload::shared().state());
}

QString label(const Status &status)
{
    switch (status.kind) {
    case Status::Kind::ready: return L("本地大脑已就绪");
    case Status::Kind::preparing: {
        if (status.indeterminate)
            return L("本地大脑准备中…");
        return L("本地大脑准备中 %lld%%…", percentOf(status.progress));
    }
    case Status::Kind::failed: return L("本地大脑准备失败");
    case Status::Kind::notReady: break;
    }
    return L("本地大脑未就绪");
}

QString label(bool ollamaUp)
{
    return label(status(ollamaUp));
}

} // namespace LocalBrain
