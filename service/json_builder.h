#pragma once

// The JSON objects of the service's replies, built with the system's JSON library. Its
// writer gives the client's own form: every scalar quoted, members in ascending byte
// order of their names, in this spacing:
//   { "errno" : "0" , "url" : "http:\/\/127.0.0.1:17890\/s\/abc" }

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Script {
class JsonObjectObject;
}

namespace norvel::service {

// Move-only: a builder hands its tree on when it becomes a member or an element, and a
// builder moved from is only destroyed.
class CJsonBuilder {
public:
    CJsonBuilder();
    ~CJsonBuilder();
    CJsonBuilder(CJsonBuilder&& other) noexcept;
    CJsonBuilder& operator=(CJsonBuilder&& other) noexcept;

    // Each Set replaces a member of the same name. Names are the service's own (plain,
    // never empty).
    CJsonBuilder& Set(std::string_view name, std::string_view text) &;
    CJsonBuilder& Set(std::string_view name, const char* text) & {
        return Set(name, std::string_view(text));
    }
    CJsonBuilder& Set(std::string_view name, int64_t number) &;
    CJsonBuilder& Set(std::string_view name, CJsonBuilder object) &;
    CJsonBuilder& Set(std::string_view name, std::vector<CJsonBuilder> array) &;

    // On a temporary, Set hands the temporary on, so that CJsonBuilder().Set("a", "1")
    // can become a member or an element without a copy.
    template <class Value>
    CJsonBuilder&& Set(std::string_view name, Value&& value) && {
        Set(name, std::forward<Value>(value));  // *this is an lvalue here
        return std::move(*this);
    }

    std::string ToString() const;

private:
    std::unique_ptr<Script::JsonObjectObject> m_Object;
};

}  // namespace norvel::service
