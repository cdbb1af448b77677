#pragma once
// The Err object and procedure references handed to scripts.

#include "Engine.h"

namespace vbs {

class ErrObject : public com::Dispatch {
public:
    explicit ErrObject(std::weak_ptr<Engine> e) : engine(std::move(e)) {}
    std::weak_ptr<Engine> engine; // a host may keep Err longer than the engine lives
    QString typeName() const override { return QStringLiteral("ErrObject"); }
    int memberId(const QString &name) const override;
    vb::Variant invoke(int id, int kind, std::span<vb::Variant> args) override;
};

// GetRef("Name"): calling the object (its default member) calls the procedure.
class ProcRef : public com::Dispatch {
public:
    ProcRef(ProcPtr p, std::weak_ptr<Engine> e) : proc(std::move(p)), engine(std::move(e)) {}
    ProcPtr proc;
    std::weak_ptr<Engine> engine;
    QString typeName() const override { return QStringLiteral("Object"); }
    int memberId(const QString &name) const override;
    vb::Variant invoke(int id, int kind, std::span<vb::Variant> args) override;
};

QString raiseDescription(int32_t number);
int32_t raisedNumber(int32_t number);

// What Err.Raise throws: Err already holds it (help file and context too),
// so trapping it must not rewrite Err.
struct RaisedError : vb::VbError {
    using vb::VbError::VbError;
};

} // namespace vbs
