#pragma once

// The service's SQLite database: accounts, clients, tickets, upload sessions, the users'
// trees, links, posts and statistics. One connection, shared by all request threads;
// every use goes through a transaction that holds the connection for its duration, so
// a reply is built from one consistent state and a killed service leaves either the
// whole change or none of it.

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace norvel::service {

class CStore;

// One prepared statement, bound by position from 1, stepped row by row.
class CStatement {
public:
    CStatement(CStore& store, std::string_view sql);
    ~CStatement();
    CStatement(const CStatement&) = delete;
    CStatement& operator=(const CStatement&) = delete;

    CStatement& Bind(int index, std::string_view text);
    CStatement& Bind(int index, int64_t number);
    CStatement& Bind(int index, int number) { return Bind(index, int64_t(number)); }
    CStatement& BindNull(int index);

    // True while a row is available; false when done. Throws CStoreError on failure.
    bool Step();
    // Runs a statement that returns no rows.
    void Run();

    std::string Text(int column) const;
    int64_t Int(int column) const;
    bool IsNull(int column) const;

private:
    CStore& m_Store;
    sqlite3_stmt* m_Statement = nullptr;
};

// Raised for failures of the database itself (disk full, damaged file); the HTTP layer
// answers them with status 500.
class CStoreError : public std::exception {
public:
    explicit CStoreError(std::string message) : m_Message(std::move(message)) {}
    const char* what() const noexcept override { return m_Message.c_str(); }

private:
    std::string m_Message;
};

// Holds the connection and an open transaction; commits with Commit(), rolls back when
// destroyed without it.
class CTransaction {
public:
    explicit CTransaction(CStore& store);
    ~CTransaction();
    CTransaction(const CTransaction&) = delete;
    CTransaction& operator=(const CTransaction&) = delete;

    void Commit();
    CStore& Store() { return m_Store; }

private:
    CStore& m_Store;
    std::unique_lock<std::recursive_mutex> m_Lock;
    bool m_Done = false;
};

class CStore {
public:
    CStore() = default;
    ~CStore();
    CStore(const CStore&) = delete;
    CStore& operator=(const CStore&) = delete;

    // Opens (creating when missing) the database file and brings its tables up to date.
    // Empty on success, else the reason.
    std::string Open(const std::string& path);

    void Exec(std::string_view sql);
    int64_t LastInsertId() const;
    int Changes() const;

private:
    friend class CStatement;
    friend class CTransaction;
    sqlite3* m_Db = nullptr;
    std::recursive_mutex m_Lock;
};

}  // namespace norvel::service
