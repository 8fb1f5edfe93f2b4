#pragma once
// The suite's one error vocabulary. An operation that cannot go on raises an EPembloError (or
// one of its kinds below) whose what() is the UTF-8 of the text the user sees; the guard
// (ErrorGuard.h) is the one place that catches it and shows that text. Raise it with Raise:
//
//   Raise("文件:" + path + "不存在！");              // an EPembloError
//   Raise<EAdoError>(QString::fromUtf8(sqlite3_errmsg(db)));
#include <QString>
#include <stdexcept>
#include <string>

class EPembloError : public std::runtime_error {
public:
  explicit EPembloError(const QString &text) : std::runtime_error(text.toStdString()) {}
  explicit EPembloError(const std::string &text) : std::runtime_error(text) {}
  explicit EPembloError(const char *text) : std::runtime_error(text) {}
  QString Text() const { return QString::fromUtf8(what()); }
};

// An error of the database provider.
class EAdoError : public EPembloError {
public:
  using EPembloError::EPembloError;
};

// A picture file that is missing, of an unknown kind or cannot be decoded; the text names it.
class EPictureError : public EPembloError {
public:
  using EPembloError::EPembloError;
};

// A registry hive that cannot be read or written.
class ERegistryError : public EPembloError {
public:
  using EPembloError::EPembloError;
};

// The runtime's range error of list access.
class EArgumentOutOfRange : public EPembloError {
public:
  EArgumentOutOfRange() : EPembloError("Argument out of range") {}
};

// Raises an error of kind E with the user's text.
template <class E = EPembloError> [[noreturn]] void Raise(const QString &text) { throw E(text); }
