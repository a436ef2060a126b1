#include "service/upload_params.h"

#include <algorithm>
#include <map>

#include "service/digest.h"
#include "service/form.h"

namespace norvel::service {
namespace {

using FieldMap = std::map<std::string, std::string>;

// Collects the fields; a name given twice with different values is malformed.
bool CollectFields(const std::vector<std::pair<std::string, std::string>>& fields, FieldMap& out,
                   std::string& error) {
    for (const auto& [name, value] : fields) {
        const auto [it, added] = out.emplace(name, value);
        if (!added && it->second != value) {
            error = "conflicting values of " + name;
            return false;
        }
    }
    return true;
}

bool Require(const FieldMap& fields, const char* name, std::string& value, std::string& error) {
    const auto it = fields.find(name);
    if (it == fields.end()) {
        error = std::string("missing ") + name;
        return false;
    }
    value = it->second;
    return true;
}

bool RequireFixed(const FieldMap& fields, const char* name, std::string_view expected,
                  std::string& error) {
    std::string value;
    if (!Require(fields, name, value, error))
        return false;
    if (value != expected) {
        error = std::string("unexpected ") + name;
        return false;
    }
    return true;
}

bool RequireDigest(const FieldMap& fields, const char* name, std::string& value,
                   std::string& error) {
    if (!Require(fields, name, value, error))
        return false;
    if (!IsMd5Hex(value)) {
        error = std::string("malformed ") + name;
        return false;
    }
    return true;
}

bool RequireNumber(const FieldMap& fields, const char* name, uint64_t& number, std::string& error) {
    std::string value;
    if (!Require(fields, name, value, error))
        return false;
    const auto parsed = ParseDecimal(value);
    if (!parsed) {
        error = std::string("malformed ") + name;
        return false;
    }
    number = *parsed;
    return true;
}

bool ReadIdentity(const FieldMap& fields, CUploadParams& params, std::string& error) {
    std::string fid;
    uint64_t fsize = 0;
    if (!RequireDigest(fields, "kdw_fid", fid, error) ||
        !RequireNumber(fields, "kdw_fsize", fsize, error))
        return false;
    if (!fields.count("kdw_pfid")) {
        params.fileId = fid;
        params.fileSize = fsize;
        return true;
    }
    if (!RequireDigest(fields, "kdw_pfid", params.fileId, error) ||
        !RequireNumber(fields, "kdw_pfsize", params.fileSize, error))
        return false;
    params.segId = fid;
    params.segSize = fsize;
    return true;
}

void AddSigned(CUploadParams& params, const FieldMap& fields, const char* name) {
    params.signedFields.emplace_back(name, fields.at(name));
}

}  // namespace

std::optional<CByteRange> ParseRange(std::string_view text) {
    const size_t dash = text.find('-');
    if (dash == std::string_view::npos)
        return std::nullopt;
    const auto start = ParseDecimal(text.substr(0, dash));
    const auto end = ParseDecimal(text.substr(dash + 1));
    if (!start || !end || *start > *end)
        return std::nullopt;
    return CByteRange{*start, *end};
}

std::optional<CUploadParams> ReadUploadParams(
    UploadKind kind, const std::vector<std::pair<std::string, std::string>>& fields,
    bool filenameEncoded, std::string& error) {
    FieldMap map;
    if (!CollectFields(fields, map, error))
        return std::nullopt;
    CUploadParams params;
    params.kind = kind;
    std::string ts, tcon, rawName;
    if (!RequireFixed(map, "kdw_app", "1", error) || !RequireFixed(map, "kdw_fmt", "JSON", error) ||
        !RequireFixed(map, "kdw_ver", "1.0", error) || !RequireFixed(map, "kdw_tcon", "", error) ||
        !Require(map, "kdw_ts", ts, error) || !Require(map, "kdw_tstr", params.tstr, error) ||
        !Require(map, "kdw_filename", rawName, error) ||
        !RequireDigest(map, "kdw_key", params.key, error) || !ReadIdentity(map, params, error))
        return std::nullopt;
    if (!ParseDecimal(ts) || params.tstr.empty()) {
        error = "malformed kdw_ts or kdw_tstr";
        return std::nullopt;
    }
    const auto name = filenameEncoded ? UrlDecode(rawName) : std::optional<std::string>(rawName);
    if (!name) {
        error = "malformed kdw_filename";
        return std::nullopt;
    }
    params.filename = *name;
    if (kind == UploadKind::Init && params.HasSegment()) {
        error = "up_init concerns the whole file";
        return std::nullopt;
    }
    if (kind == UploadKind::Block || kind == UploadKind::Fast) {
        std::string range;
        if (!Require(map, "kdw_range", range, error) || !(params.range = ParseRange(range))) {
            error = "missing or malformed kdw_range";
            return std::nullopt;
        }
    }
    if (kind == UploadKind::Fast && !RequireDigest(map, "kdw_fcon", params.fcon, error))
        return std::nullopt;
    if (kind == UploadKind::SegInfo &&
        (params.HasSegment() || !Require(map, "kdw_seglist", params.seglist, error))) {
        error = "up_seginfo needs kdw_seglist and no segment";
        return std::nullopt;
    }

    // The signed strings, in the client's order (the order does not matter: they are sorted).
    params.signedFields = {{"kdw_app", "1"},          {"kdw_ts", ts},
                           {"kdw_fmt", "JSON"},       {"kdw_filename", params.filename},
                           {"kdw_tstr", params.tstr}, {"kdw_ver", "1.0"}};
    for (const char* key : {"kdw_fid", "kdw_fsize"})
        AddSigned(params, map, key);
    if (params.HasSegment())
        for (const char* key : {"kdw_pfid", "kdw_pfsize"})
            AddSigned(params, map, key);
    if (kind == UploadKind::Fast)
        AddSigned(params, map, "kdw_fcon");
    params.signedFields.emplace_back("kdw_tcon", "");
    if (kind == UploadKind::Block || kind == UploadKind::Fast)
        AddSigned(params, map, "kdw_range");
    if (kind == UploadKind::SegInfo)
        AddSigned(params, map, "kdw_seglist");
    return params;
}

std::string UploadKey(const CUploadParams& params, std::string_view secret) {
    std::vector<std::string> strings;
    for (const auto& [name, value] : params.signedFields)
        strings.push_back(name + value);
    std::sort(strings.begin(), strings.end());
    std::string text(secret);
    for (const std::string& item : strings)
        text += item;
    return Md5Hex(text);
}

}  // namespace norvel::service
