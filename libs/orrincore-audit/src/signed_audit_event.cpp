#include "orrincore_audit/signed_audit_event.hpp"

#include <orrincore_json/document.hpp>

namespace orrincore_audit {

orrincore_json::ReadResult<std::vector<SignedAuditEvent>> read_custody_chain(std::string_view document) {
    return orrincore_json::parse<std::vector<SignedAuditEvent>>(document);
}

}  // namespace orrincore_audit
