#include "support/fake_files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

FakeFileSystem::FakeFileSystem() {
  nodes_["/"].folder = true;
  SetFiles(this);
}

FakeFileSystem::~FakeFileSystem() { SetFiles(nullptr); }

std::string FakeFileSystem::Normal(const std::string& path) const {
  std::string in = path.empty() || path[0] != '/' ? workingDirectory + "/" + path : path;
  std::string out;
  size_t i = 0;
  while (i < in.size()) {
    size_t end = in.find('/', i);
    if (end == std::string::npos) end = in.size();
    std::string part = in.substr(i, end - i);
    i = end + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      size_t slash = out.find_last_of('/');
      out.erase(slash == std::string::npos ? 0 : slash);
      continue;
    }
    out += "/" + part;
  }
  return out.empty() ? "/" : out;
}

std::string FakeFileSystem::Parent(const std::string& normal) {
  size_t slash = normal.find_last_of('/');
  return slash == 0 ? "/" : normal.substr(0, slash);
}

const FakeFileSystem::Node* FakeFileSystem::Find(const std::string& path) const {
  auto it = nodes_.find(Normal(path));
  return it == nodes_.end() ? nullptr : &it->second;
}

TDateTime FakeFileSystem::Clock() const { return Env().Now(); }

int FakeFileSystem::ParentOk(const std::string& normal) const {
  auto it = nodes_.find(Parent(normal));
  if (it == nodes_.end()) return ENOENT;
  return it->second.folder ? 0 : ENOTDIR;
}

// ---- the disk ----

void FakeFileSystem::AddFolder(const std::string& path) {
  std::string p = Normal(path);
  std::vector<std::string> chain;
  for (; p != "/"; p = Parent(p)) chain.push_back(p);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    Node& node = nodes_[*it];
    if (!node.folder && !node.data.empty()) throw std::logic_error("a file is in the way: " + *it);
    node.folder = true;
  }
}

void FakeFileSystem::Put(const std::string& path, const std::string& contents) {
  std::string p = Normal(path);
  AddFolder(Parent(p));
  Node& node = nodes_[p];
  node.folder = false;
  node.data = contents;
  node.modified = Clock();
}

bool FakeFileSystem::IsFile(const std::string& path) const {
  const Node* n = Find(path);
  return n && !n->folder;
}

bool FakeFileSystem::IsFolder(const std::string& path) const {
  const Node* n = Find(path);
  return n && n->folder;
}

std::string FakeFileSystem::Get(const std::string& path) const {
  const Node* n = Find(path);
  if (!n || n->folder) throw std::out_of_range("no such file: " + path);
  return n->data;
}

std::string FakeFileSystem::GetOr(const std::string& path, const std::string& none) const {
  const Node* n = Find(path);
  return n && !n->folder ? n->data : none;
}

std::vector<std::string> FakeFileSystem::FilePaths(const std::string& under) const {
  std::string root = Normal(under);
  std::string prefix = root == "/" ? "/" : root + "/";
  std::vector<std::string> paths;
  for (const auto& [path, node] : nodes_) {
    if (!node.folder && path.compare(0, prefix.size(), prefix) == 0) paths.push_back(path);
  }
  return paths;
}

std::vector<std::string> FakeFileSystem::TempFiles() const {
  std::vector<std::string> temps;
  for (const std::string& path : FilePaths()) {
    size_t at = path.rfind(".tmp.");
    if (at != std::string::npos && path.size() - at == 11 &&
        path.find('/', at) == std::string::npos) {
      temps.push_back(path);
    }
  }
  return temps;
}

void FakeFileSystem::Touch(const std::string& path, TDateTime when) {
  auto it = nodes_.find(Normal(path));
  if (it == nodes_.end()) throw std::out_of_range("nothing to touch: " + path);
  it->second.modified = when;
}

// ---- faults ----

void FakeFileSystem::Fail(Op op, int err, int nth) {
  faults_.push_back({op, err, std::max(nth, 1)});
}

void FakeFileSystem::FailAlways(Op op, int err) { faults_.push_back({op, err, 0}); }

void FakeFileSystem::ClearFaults() { faults_.clear(); }

void FakeFileSystem::NewProcess() {
  locks_.clear();
  faults_.clear();
  dieAfter_ = 0;
  dead_ = false;
}

int FakeFileSystem::Check(Op op) {
  ++calls[op];
  if (dead_) return EIO;
  int err = 0;
  for (auto it = faults_.begin(); it != faults_.end();) {
    if (it->op != op) {
      ++it;
    } else if (it->countdown == 0) {
      err = it->err;
      ++it;
    } else if (--it->countdown == 0) {
      err = it->err;
      it = faults_.erase(it);
    } else {
      ++it;
    }
  }
  return err;
}

void FakeFileSystem::Step(const std::string& what) {
  ++steps;
  stepLog.push_back(what);
  if (dieAfter_ > 0 && steps == dieAfter_) {
    dead_ = true;
    throw ProcessDied{steps};
  }
}

std::vector<std::string> FakeFileSystem::HeldLocks() const {
  std::vector<std::string> held;
  for (const auto& [handle, path] : locks_) held.push_back(path);
  std::sort(held.begin(), held.end());
  return held;
}

// ---- FileSystem ----

int FakeFileSystem::ReadFile(const std::string& path, std::string& contents) {
  if (int err = Check(Op::Read)) return err;
  const Node* n = Find(path);
  if (!n) return ENOENT;
  if (n->folder) return EISDIR;
  contents = n->data;
  return 0;
}

int FakeFileSystem::WriteFileAtomic(const std::string& path, std::string_view contents) {
  const std::string p = Normal(path);
  if (int err = Check(Op::Write)) return err;
  if (int err = ParentOk(p)) return err;
  const Node* old = Find(p);
  if (old && old->folder) return EISDIR;
  char suffix[8];
  std::snprintf(suffix, sizeof suffix, "%06u", ++tempSerial_ % 1000000);
  const std::string temp = p + ".tmp." + suffix;
  nodes_[temp] = Node{false, std::string(contents), Clock()};
  Step("write " + temp);
  auto dropTemp = [&](int err) {
    nodes_.erase(temp);
    Step("unlink " + temp);
    return err;
  };
  if (int err = Check(Op::Fsync)) return dropTemp(err);
  Step("fsync " + temp);
  if (int err = Check(Op::Rename)) return dropTemp(err);
  Node node = std::move(nodes_[temp]);
  nodes_.erase(temp);
  nodes_[p] = std::move(node);
  Step("rename " + temp + " -> " + p);
  return 0;
}

int FakeFileSystem::Rename(const std::string& from, const std::string& to) {
  if (int err = Check(Op::Rename)) return err;
  const std::string f = Normal(from), t = Normal(to);
  auto it = nodes_.find(f);
  if (it == nodes_.end()) return ENOENT;
  if (int err = ParentOk(t)) return err;
  if (f == t) return 0;
  const bool folder = it->second.folder;
  auto target = nodes_.find(t);
  if (target != nodes_.end()) {
    if (!folder && target->second.folder) return EISDIR;
    if (folder && !target->second.folder) return ENOTDIR;
    if (folder && !FilePaths(t).empty()) return ENOTEMPTY;
  }
  if (folder && t.compare(0, f.size() + 1, f + "/") == 0) return EINVAL;
  // A folder takes everything in it along.
  std::map<std::string, Node> moved;
  const std::string inside = f + "/";
  for (auto n = nodes_.begin(); n != nodes_.end();) {
    if (n->first == f || n->first.compare(0, inside.size(), inside) == 0) {
      moved[t + n->first.substr(f.size())] = std::move(n->second);
      n = nodes_.erase(n);
    } else {
      ++n;
    }
  }
  for (auto& [path, node] : moved) nodes_[path] = std::move(node);
  Step("rename " + f + " -> " + t);
  return 0;
}

int FakeFileSystem::Remove(const std::string& path) {
  if (int err = Check(Op::Unlink)) return err;
  const std::string p = Normal(path);
  auto it = nodes_.find(p);
  if (it == nodes_.end()) return ParentOk(p) == ENOTDIR ? ENOTDIR : ENOENT;
  if (it->second.folder) return EISDIR;
  nodes_.erase(it);
  Step("unlink " + p);
  return 0;
}

int FakeFileSystem::Stat(const std::string& path, FileInfo& info) {
  info = FileInfo{};
  if (dead_) return EIO;
  const Node* n = Find(path);
  if (!n) return ENOENT;
  info.Kind = n->folder ? FileKind::Folder : FileKind::File;
  info.Size = n->data.size();
  info.Modified = n->modified;
  return 0;
}

int FakeFileSystem::ListFolder(const std::string& path, std::vector<std::string>& names) {
  if (int err = Check(Op::List)) return err;
  const std::string p = Normal(path);
  const Node* n = Find(p);
  if (!n) return ENOENT;
  if (!n->folder) return ENOTDIR;
  const std::string prefix = p == "/" ? "/" : p + "/";
  names.clear();
  for (auto it = nodes_.upper_bound(prefix); it != nodes_.end(); ++it) {
    if (it->first.compare(0, prefix.size(), prefix) != 0) break;
    if (it->first.find('/', prefix.size()) == std::string::npos) {
      names.push_back(it->first.substr(prefix.size()));
    }
  }
  return 0;
}

int FakeFileSystem::MakeFolder(const std::string& path) {
  if (int err = Check(Op::Mkdir)) return err;
  const std::string p = Normal(path);
  if (nodes_.count(p)) return EEXIST;
  if (int err = ParentOk(p)) return err;
  nodes_[p] = Node{true, std::string(), Clock()};
  Step("mkdir " + p);
  return 0;
}

int FakeFileSystem::Append(const std::string& path, std::string_view bytes) {
  if (int err = Check(Op::Append)) return err;
  const std::string p = Normal(path);
  if (int err = ParentOk(p)) return err;
  Node& node = nodes_[p];
  if (node.folder) return EISDIR;
  node.data.append(bytes);
  node.modified = Clock();
  Step("append " + p);
  return 0;
}

int FakeFileSystem::Lock(const std::string& lockPath, int& handle) {
  handle = -1;
  if (int err = Check(Op::Lock)) return err;
  const std::string p = Normal(lockPath);
  if (int err = ParentOk(p)) return err;
  auto it = nodes_.find(p);
  if (it != nodes_.end() && it->second.folder) return EISDIR;
  for (const auto& [h, held] : locks_) {
    if (held == p) throw LockDeadlock(p);
  }
  // The lock file is made as open(O_CREAT) would make it: no step of its
  // own, as no data file depends on it.
  if (it == nodes_.end()) nodes_[p] = Node{false, std::string(), Clock()};
  handle = nextHandle_++;
  locks_[handle] = p;
  return 0;
}

void FakeFileSystem::Unlock(int handle) {
  // A dead process's locks stay until NewProcess: nothing it does runs.
  if (!dead_) locks_.erase(handle);
}
