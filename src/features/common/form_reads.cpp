#include "features/common/form_reads.h"

#include <memory>

#include "features/common/sync_request.h"

namespace features {

std::string ReadFailureReason(SnmpFailure failure) { return SnmpFailureReason(failure); }

std::string WalkShortfall(const CTableWalk& walk, int endStatus) {
    if (walk.ReachedBound()) return "more rows than the table can hold";
    if (walk.EndedShort()) return "a row came without all its values";
    if (endStatus == CSnmp4w::EC_END_OF_TABLE || endStatus == 0) return {};
    return ReadFailureReason(walk.Session().LastFailure());
}

bool WalkRead(platform::Form& form, const std::string& name, CTableWalk& walk, const std::vector<std::string>& columns,
              CTableWalk::RowHandler onRow, CTableWalk::EndHandler onEnd, const CTableWalk::Options& options) {
    form.beginRead(name);
    const bool sent = walk.Start(
        columns, std::move(onRow),
        [&form, name, &walk, onEnd = std::move(onEnd)](int status) {
            const std::string why = WalkShortfall(walk, status);
            if (why.empty()) form.readComplete(name);
            else form.readFailed(name, why);
            if (onEnd) onEnd(status);
        },
        options);
    if (!sent) form.readFailed(name, ReadFailureReason(walk.Session().LastFailure()));
    return sent;
}

bool AsyncRead(platform::Form& form, const std::string& name, CTableWalk& walk, const std::vector<std::string>& objects,
               CTableWalk::RowHandler onReply, CTableWalk::EndHandler onEnd, const CTableWalk::Options& options) {
    form.beginRead(name);
    auto complete = std::make_shared<bool>(false);
    const size_t wanted = objects.size();
    const bool sent = walk.Read(
        objects,
        [complete, wanted, onReply = std::move(onReply)](const ReplyRow& row, CSnmp& reply) {
            bool all = row.size() >= wanted;
            for (size_t i = 0; all && i < wanted; ++i) all = row.present(i);
            *complete = all;
            if (onReply) onReply(row, reply);
            return true;
        },
        [&form, name, &walk, complete, onEnd = std::move(onEnd)](int status) {
            if (status == 0 && *complete) form.readComplete(name);
            else if (status == 0) form.readFailed(name, "the switch did not return every setting");
            else form.readFailed(name, ReadFailureReason(walk.Session().LastFailure()));
            if (onEnd) onEnd(status);
        },
        options);
    if (!sent) form.readFailed(name, ReadFailureReason(walk.Session().LastFailure()));
    return sent;
}

bool ReadNow(platform::Form& form, const std::string& name, CCommonSnmp& session, const std::vector<std::string>& oids,
             bool viaGetNext, ReplyRow& row) {
    form.beginRead(name);
    row = ReplyRow();
    if (!GetNow(session, oids, viaGetNext, row)) {
        form.readFailed(name, ReadFailureReason(session.LastFailure()));
        return false;
    }
    bool all = row.size() >= oids.size();
    for (size_t i = 0; all && i < oids.size(); ++i) all = row.present(i);
    if (!all) {
        form.readFailed(name, "the switch did not return every setting");
        return false;
    }
    form.readComplete(name);
    return true;
}

}  // namespace features
