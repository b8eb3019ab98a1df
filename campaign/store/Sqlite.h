// A thin RAII layer over the SQLite C API for the campaign store. Nothing in
// it throws: every call hands back SQLite's own result code, and the owner
// of the connection turns codes into messages for the user.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace Sqlite {

// One prepared statement; finalized when it goes.
class CStatement {
public:
    CStatement() = default;
    ~CStatement() { sqlite3_finalize(m_pStmt); }
    CStatement(const CStatement&) = delete;
    CStatement& operator=(const CStatement&) = delete;
    CStatement(CStatement&& other) noexcept : m_pStmt(other.m_pStmt) { other.m_pStmt = nullptr; }
    CStatement& operator=(CStatement&& other) noexcept;

    int Prepare(sqlite3* db, std::string_view sql);
    bool IsPrepared() const { return m_pStmt != nullptr; }

    // Resets the statement for another run and clears its parameters.
    void Reset();
    // Parameters count from 1, as in SQLite.
    int Bind(int index, std::int64_t value);
    int Bind(int index, std::string_view text);
    // Binds without a copy: `text` must stay until the statement is reset.
    int BindStatic(int index, std::string_view text);
    int Bind(int index, const std::optional<std::int64_t>& value);
    int BindNull(int index);
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int Step();

    // Columns count from 0. NULL reads as 0 or as an empty text.
    bool IsNull(int column) const;
    std::int64_t Int(int column) const;
    std::optional<std::int64_t> OptionalInt(int column) const;
    std::string Text(int column) const;

private:
    sqlite3_stmt* m_pStmt = nullptr;
};

// One database connection; closed when it goes.
class CDatabase {
public:
    CDatabase() = default;
    ~CDatabase() { Close(); }
    CDatabase(const CDatabase&) = delete;
    CDatabase& operator=(const CDatabase&) = delete;

    // sqlite3_open_v2 with `flags`; extended result codes are turned on.
    int Open(const std::string& path, int flags);
    void Close();
    bool IsOpen() const { return m_pDb != nullptr; }
    sqlite3* Get() const { return m_pDb; }

    // Runs one or more statements that return no rows of interest.
    int Exec(const char* sql);
    // The first column of the first row of `sql` as an integer.
    int QueryInt(const char* sql, std::int64_t& value);
    // SQLite's text for the last error of this connection.
    std::string ErrorText() const;

private:
    sqlite3* m_pDb = nullptr;
};

// Rolls back on scope exit unless committed.
class CTransaction {
public:
    explicit CTransaction(CDatabase& db) : m_db(db) {}
    ~CTransaction();
    CTransaction(const CTransaction&) = delete;
    CTransaction& operator=(const CTransaction&) = delete;

    // BEGIN IMMEDIATE: takes the write lock at once, so that a busy store is
    // found before anything is changed.
    int Begin();
    int Commit();

private:
    CDatabase& m_db;
    bool m_bOpen = false;
};

}  // namespace Sqlite
