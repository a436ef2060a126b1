#include "service/json_builder.h"

#include "json/json.h"

namespace norvel::service {

CJsonBuilder::CJsonBuilder() : m_Object(std::make_unique<Script::JsonObjectObject>()) {}
CJsonBuilder::~CJsonBuilder() = default;
CJsonBuilder::CJsonBuilder(CJsonBuilder&& other) noexcept = default;
CJsonBuilder& CJsonBuilder::operator=(CJsonBuilder&& other) noexcept = default;

CJsonBuilder& CJsonBuilder::Set(std::string_view name, std::string_view text) & {
    m_Object->SetMember(std::string(name).c_str(), new Script::JsonObjectString(std::string(text)));
    return *this;
}

CJsonBuilder& CJsonBuilder::Set(std::string_view name, int64_t number) & {
    return Set(name, std::string_view(std::to_string(number)));
}

CJsonBuilder& CJsonBuilder::Set(std::string_view name, CJsonBuilder object) & {
    m_Object->SetMember(std::string(name).c_str(), object.m_Object.release());
    return *this;
}

CJsonBuilder& CJsonBuilder::Set(std::string_view name, std::vector<CJsonBuilder> array) & {
    auto list = std::make_unique<Script::JsonArray>();
    for (CJsonBuilder& item : array)
        list->SetAt(list->Size(), item.m_Object.release());
    m_Object->SetMember(std::string(name).c_str(), list.release());
    return *this;
}

std::string CJsonBuilder::ToString() const {
    return m_Object->ToString();
}

}  // namespace norvel::service
