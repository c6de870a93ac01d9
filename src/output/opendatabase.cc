#include "output/opendatabase.h"

#include "database/connection_string.h"
#include "platform/encoding/unicode.h"
#include "platform/translation.h"

namespace quillmere {

namespace {

// The last three characters of the name (all of it when shorter), in upper
// case, are "MDB". Only ASCII letters have m, d or b as their lower case.
bool EndsInMdb(std::u16string_view dbname) {
  if (dbname.size() < 3) return false;
  std::u16string_view last = dbname.substr(dbname.size() - 3);
  return (last[0] | 0x20) == u'm' && (last[1] | 0x20) == u'd' && (last[2] | 0x20) == u'b';
}

}  // namespace

std::u16string JetConnectionString(std::u16string_view folder, std::u16string_view dbname,
                                   std::u16string_view pwd) {
  return connection_string::ForJetFile(std::u16string(folder).append(dbname), pwd);
}

bool opendatabase(std::unique_ptr<adodb::Connection>& cn, std::u16string_view dbname,
                  std::u16string_view pwd, std::u16string_view pth, Status* failure) {
  Status why;
  bool opened = false;
  adodb::Connection& connection = adodb::EnsureCreated(cn);
  if (connection.State() == adodb::kStateOpen) {
    // Left untouched: the open connection is reused.
  } else if (!EndsInMdb(dbname)) {
    why = Status(ErrorNumber::kNotADatabase,
                 Fill(Tr("\"%s\" is not a database this program opens: its name must end in "
                         "\"mdb\"."),
                      unicode::ToUtf8(dbname)));
  } else if (pth.empty()) {
    why = Status(ErrorNumber::kDatabaseNotFound, Tr("No folder was given for the database."));
  } else {
    std::u16string folder(pth);
    if (folder.back() != u'\\') folder.push_back(u'\\');
    why = connection.Open(JetConnectionString(folder, dbname, pwd), u"", u"",
                          adodb::kOptionUnspecified);
    opened = why.ok();
  }
  if (failure != nullptr) *failure = why;
  return opened;
}

}  // namespace quillmere
