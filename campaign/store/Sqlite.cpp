#include "campaign/store/Sqlite.h"

#include <climits>

namespace Sqlite {

CStatement& CStatement::operator=(CStatement&& other) noexcept {
    if (this != &other) {
        sqlite3_finalize(m_pStmt);
        m_pStmt = other.m_pStmt;
        other.m_pStmt = nullptr;
    }
    return *this;
}

int CStatement::Prepare(sqlite3* db, std::string_view sql) {
    sqlite3_finalize(m_pStmt);
    m_pStmt = nullptr;
    if (sql.size() > static_cast<std::size_t>(INT_MAX)) {
        return SQLITE_TOOBIG;
    }
    return sqlite3_prepare_v3(db, sql.data(), static_cast<int>(sql.size()),
                              SQLITE_PREPARE_PERSISTENT, &m_pStmt, nullptr);
}

void CStatement::Reset() {
    sqlite3_reset(m_pStmt);
    sqlite3_clear_bindings(m_pStmt);
}

int CStatement::Bind(int index, std::int64_t value) {
    return sqlite3_bind_int64(m_pStmt, index, static_cast<sqlite3_int64>(value));
}

int CStatement::Bind(int index, std::string_view text) {
    // An empty view may have no data at all; SQLite would bind that as NULL.
    return sqlite3_bind_text64(m_pStmt, index, text.data() != nullptr ? text.data() : "",
                               text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

int CStatement::BindStatic(int index, std::string_view text) {
    return sqlite3_bind_text64(m_pStmt, index, text.data() != nullptr ? text.data() : "",
                               text.size(), SQLITE_STATIC, SQLITE_UTF8);
}

int CStatement::Bind(int index, const std::optional<std::int64_t>& value) {
    return value ? Bind(index, *value) : BindNull(index);
}

int CStatement::BindNull(int index) {
    return sqlite3_bind_null(m_pStmt, index);
}

int CStatement::Step() {
    return sqlite3_step(m_pStmt);
}

bool CStatement::IsNull(int column) const {
    return sqlite3_column_type(m_pStmt, column) == SQLITE_NULL;
}

std::int64_t CStatement::Int(int column) const {
    return static_cast<std::int64_t>(sqlite3_column_int64(m_pStmt, column));
}

std::optional<std::int64_t> CStatement::OptionalInt(int column) const {
    if (IsNull(column)) {
        return std::nullopt;
    }
    return Int(column);
}

std::string CStatement::Text(int column) const {
    const unsigned char* text = sqlite3_column_text(m_pStmt, column);
    if (text == nullptr) {
        return {};
    }
    const int bytes = sqlite3_column_bytes(m_pStmt, column);
    return std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(bytes));
}

int CDatabase::Open(const std::string& path, int flags) {
    Close();
    const int rc = sqlite3_open_v2(path.c_str(), &m_pDb, flags, nullptr);
    if (m_pDb != nullptr) {
        sqlite3_extended_result_codes(m_pDb, 1);
    }
    return rc;
}

void CDatabase::Close() {
    sqlite3_close_v2(m_pDb);
    m_pDb = nullptr;
}

int CDatabase::Exec(const char* sql) {
    return sqlite3_exec(m_pDb, sql, nullptr, nullptr, nullptr);
}

int CDatabase::QueryInt(const char* sql, std::int64_t& value) {
    CStatement stmt;
    int rc = stmt.Prepare(m_pDb, sql);
    if (rc != SQLITE_OK) {
        return rc;
    }
    rc = stmt.Step();
    if (rc == SQLITE_ROW) {
        value = stmt.Int(0);
        return SQLITE_OK;
    }
    return rc == SQLITE_DONE ? SQLITE_NOTFOUND : rc;
}

std::string CDatabase::ErrorText() const {
    return m_pDb != nullptr ? sqlite3_errmsg(m_pDb) : "out of memory";
}

CTransaction::~CTransaction() {
    if (m_bOpen) {
        m_db.Exec("ROLLBACK");
    }
}

int CTransaction::Begin() {
    const int rc = m_db.Exec("BEGIN IMMEDIATE");
    m_bOpen = rc == SQLITE_OK;
    return rc;
}

int CTransaction::Commit() {
    const int rc = m_db.Exec("COMMIT");
    if (rc == SQLITE_OK) {
        m_bOpen = false;
    }
    return rc;
}

}  // namespace Sqlite
