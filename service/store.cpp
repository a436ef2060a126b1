#include "service/store.h"

#include <sqlite3.h>

namespace norvel::service {
namespace {

// Applied in order; the database remembers how many it has (user_version).
const char* const kSchema[] = {
    R"(CREATE TABLE clients(cid TEXT PRIMARY KEY, seed TEXT NOT NULL, secret TEXT NOT NULL,
         registered INTEGER NOT NULL DEFAULT 0, created INTEGER NOT NULL);
       CREATE TABLE accounts(uid INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT UNIQUE NOT NULL,
         password TEXT NOT NULL, space INTEGER NOT NULL, maxfs INTEGER NOT NULL,
         level TEXT NOT NULL, validity TEXT NOT NULL,
         weibo_uid TEXT, weibo_name TEXT);
       CREATE TABLE tokens(token TEXT PRIMARY KEY, uid INTEGER NOT NULL, created INTEGER NOT NULL,
         expired INTEGER NOT NULL DEFAULT 0);
       CREATE TABLE failures(username TEXT PRIMARY KEY, count INTEGER NOT NULL);
       CREATE TABLE challenges(username TEXT NOT NULL, cid TEXT NOT NULL, challenge TEXT NOT NULL,
         created INTEGER NOT NULL, PRIMARY KEY(username, cid));
       CREATE TABLE captchas(id TEXT PRIMARY KEY, username TEXT NOT NULL, text TEXT NOT NULL,
         created INTEGER NOT NULL);
       CREATE TABLE tickets(tstr TEXT PRIMARY KEY, secret TEXT NOT NULL, uid INTEGER,
         cname TEXT, created INTEGER NOT NULL);
       CREATE TABLE contents(md5 TEXT PRIMARY KEY, size INTEGER NOT NULL, created INTEGER NOT NULL);
       CREATE TABLE owners(md5 TEXT NOT NULL, owner TEXT NOT NULL, PRIMARY KEY(md5, owner));
       CREATE TABLE paths(path TEXT PRIMARY KEY, md5 TEXT NOT NULL, size INTEGER NOT NULL,
         tstr TEXT NOT NULL, created INTEGER NOT NULL);
       CREATE TABLE sessions(id INTEGER PRIMARY KEY AUTOINCREMENT, tstr TEXT NOT NULL,
         fid TEXT NOT NULL, fsize INTEGER NOT NULL, held INTEGER NOT NULL DEFAULT 0,
         segsize INTEGER NOT NULL DEFAULT 0, proof TEXT NOT NULL DEFAULT '',
         path TEXT NOT NULL DEFAULT '', updated INTEGER NOT NULL, UNIQUE(tstr, fid, fsize));
       CREATE TABLE segments(session INTEGER NOT NULL, idx INTEGER NOT NULL, fileid TEXT NOT NULL,
         start INTEGER NOT NULL, size INTEGER NOT NULL, held INTEGER NOT NULL DEFAULT 0,
         PRIMARY KEY(session, idx));
       CREATE TABLE nodes(uid INTEGER NOT NULL, path TEXT NOT NULL, parent TEXT NOT NULL,
         folder INTEGER NOT NULL, md5 TEXT NOT NULL DEFAULT '', size INTEGER NOT NULL DEFAULT 0,
         ctime TEXT NOT NULL DEFAULT '', mtime TEXT NOT NULL DEFAULT '', url TEXT NOT NULL DEFAULT '',
         PRIMARY KEY(uid, path));
       CREATE TABLE links(code TEXT PRIMARY KEY, uid INTEGER, form TEXT NOT NULL, title TEXT NOT NULL,
         attrs TEXT NOT NULL DEFAULT '', created INTEGER NOT NULL);
       CREATE TABLE link_files(code TEXT NOT NULL, idx INTEGER NOT NULL, name TEXT NOT NULL,
         md5 TEXT NOT NULL, size INTEGER NOT NULL, PRIMARY KEY(code, idx));
       CREATE TABLE stats(id INTEGER PRIMARY KEY AUTOINCREMENT, time INTEGER NOT NULL,
         source TEXT NOT NULL, cid TEXT NOT NULL, uid TEXT NOT NULL, token TEXT NOT NULL,
         opt TEXT NOT NULL, valid INTEGER NOT NULL);
       CREATE TABLE binds(code TEXT PRIMARY KEY, uid INTEGER NOT NULL, created INTEGER NOT NULL);
       CREATE TABLE posts(id INTEGER PRIMARY KEY AUTOINCREMENT, uid INTEGER NOT NULL,
         msgid TEXT NOT NULL, content TEXT NOT NULL, pic TEXT NOT NULL, resource_url TEXT NOT NULL,
         time INTEGER NOT NULL);
       CREATE TABLE web_logins(ticket TEXT PRIMARY KEY, uid INTEGER NOT NULL, created INTEGER NOT NULL);
       CREATE TABLE web_sessions(cookie TEXT PRIMARY KEY, uid INTEGER NOT NULL, created INTEGER NOT NULL);)",
};

}  // namespace

CStatement::CStatement(CStore& store, std::string_view sql) : m_Store(store) {
    if (sqlite3_prepare_v2(store.m_Db, sql.data(), int(sql.size()), &m_Statement, nullptr) !=
        SQLITE_OK)
        throw CStoreError(std::string("prepare: ") + sqlite3_errmsg(store.m_Db));
}

CStatement::~CStatement() {
    sqlite3_finalize(m_Statement);
}

CStatement& CStatement::Bind(int index, std::string_view text) {
    sqlite3_bind_text(m_Statement, index, text.data(), int(text.size()), SQLITE_TRANSIENT);
    return *this;
}

CStatement& CStatement::Bind(int index, int64_t number) {
    sqlite3_bind_int64(m_Statement, index, number);
    return *this;
}

CStatement& CStatement::BindNull(int index) {
    sqlite3_bind_null(m_Statement, index);
    return *this;
}

bool CStatement::Step() {
    const int rc = sqlite3_step(m_Statement);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    throw CStoreError(std::string("step: ") + sqlite3_errmsg(m_Store.m_Db));
}

void CStatement::Run() {
    while (Step()) {
    }
}

std::string CStatement::Text(int column) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_Statement, column));
    return text ? std::string(text, size_t(sqlite3_column_bytes(m_Statement, column)))
                : std::string();
}

int64_t CStatement::Int(int column) const {
    return sqlite3_column_int64(m_Statement, column);
}

bool CStatement::IsNull(int column) const {
    return sqlite3_column_type(m_Statement, column) == SQLITE_NULL;
}

CTransaction::CTransaction(CStore& store) : m_Store(store), m_Lock(store.m_Lock) {
    store.Exec("BEGIN IMMEDIATE");
}

CTransaction::~CTransaction() {
    if (!m_Done)
        sqlite3_exec(m_Store.m_Db, "ROLLBACK", nullptr, nullptr, nullptr);
}

void CTransaction::Commit() {
    m_Store.Exec("COMMIT");
    m_Done = true;
}

CStore::~CStore() {
    if (m_Db)
        sqlite3_close(m_Db);
}

std::string CStore::Open(const std::string& path) {
    if (sqlite3_open_v2(path.c_str(), &m_Db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                        nullptr) != SQLITE_OK)
        return std::string("cannot open ") + path + ": " + sqlite3_errmsg(m_Db);
    sqlite3_busy_timeout(m_Db, 10000);
    try {
        Exec("PRAGMA journal_mode=WAL");
        Exec("PRAGMA synchronous=NORMAL");
        CTransaction tx(*this);
        int64_t have = 0;
        {
            CStatement version(*this, "PRAGMA user_version");
            version.Step();
            have = version.Int(0);
        }
        const int64_t want = int64_t(std::size(kSchema));
        for (int64_t i = have; i < want; ++i)
            Exec(kSchema[i]);
        if (have != want)
            Exec("PRAGMA user_version=" + std::to_string(want));
        tx.Commit();
    } catch (const CStoreError& error) {
        return error.what();
    }
    return {};
}

void CStore::Exec(std::string_view sql) {
    char* message = nullptr;
    if (sqlite3_exec(m_Db, std::string(sql).c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        std::string text = message ? message : "unknown error";
        sqlite3_free(message);
        throw CStoreError(text);
    }
}

int64_t CStore::LastInsertId() const {
    return sqlite3_last_insert_rowid(m_Db);
}

int CStore::Changes() const {
    return sqlite3_changes(m_Db);
}

}  // namespace norvel::service
