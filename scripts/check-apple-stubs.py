#!/usr/bin/env python3
"""Compares the stub declarations in testing/apple_stubs with the facts written from Apple's headers.

    check-apple-stubs.py [--stubs DIR] [--facts FILE]

Every declaration line of a stub names, in a trailing "// <header>" comment, the Apple header it comes
from; every declared name must be a fact of apple-declarations.txt under that header, every fact must be
declared, and every function or variable must be one that a macOS-only source file (or another stub) uses.
Values, types, field types and order, and function signatures are then compared by the compiler: a
translation unit of static_asserts written from the facts is type-checked against the stubs with clang
(CLANGXX, default clang++), in C++ and in Objective-C++. Objective-C declarations are compared as text.
Exit status 0 when everything agrees, 1 with one line per disagreement otherwise, 2 when it cannot run.
"""

import argparse
import os
import re
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
KINDS = {"value", "macro", "type", "struct", "field", "function", "global", "objc", "standin"}
SKIPPED_LINE = re.compile(r'^(#pragma|#include|#include_next|extern "C" \{|\};?$|@end$|//)')
ANNOTATION = re.compile(r"^(.*?)\s*//\s*(<[^>]+>)\s*$")
IDENTIFIER = re.compile(r"[A-Za-z_][A-Za-z0-9_]*")
DECLARED_IN = {}  # name -> the stub file (as included) that declares it


def squeeze(text):
    return re.sub(r"\s+", " ", text).strip().replace("( ", "(").replace(" )", ")")


def read_facts(path, problems):
    facts = {}
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if not line.strip() or line.lstrip().startswith("#"):
                continue
            parts = [p.strip() for p in line.split(" | ", 3)]
            if len(parts) != 4 or parts[1] not in KINDS or not parts[0].startswith("<"):
                problems.append(f"{path}:{number}: not a fact: {line}")
                continue
            header, kind, name, text = parts
            if name in facts:
                problems.append(f"{path}:{number}: {name} is listed twice")
            facts[name] = {"header": header, "kind": kind, "text": text, "order": number}
    return facts


def declared_names(code, state):
    """The (name, kind) pairs one stub line declares; `state` carries the structure or interface being read."""
    if state.get("continued"):
        return []
    if code.startswith("#define "):
        m = re.match(r"#define ([A-Za-z_]\w*)(\()?", code)
        return [(m.group(1), "macro" if m.group(2) else "value")]
    if code.startswith("@interface "):
        name = IDENTIFIER.findall(code)[1]
        state["interface"] = name
        return [(name, "objc")]
    interface = state.get("interface")
    if interface and code.startswith("@property"):
        return [(interface + "." + IDENTIFIER.findall(code.rstrip(";"))[-1], "objc")]
    if interface and code[:1] in "-+":
        selector = re.findall(r"(\w+):\(", code)
        name = "".join(s + ":" for s in selector) if selector else IDENTIFIER.findall(code)[-1]
        return [(interface + "." + name, "objc")]
    m = re.match(r"typedef enum ([A-Za-z_]\w*) : \w+ ([A-Za-z_]\w*);$", code)
    if m:
        return [(m.group(2), "type")]
    if re.match(r"(typedef )?enum\b", code):
        return [(m, "value") for m in re.findall(r"([A-Za-z_]\w*)\s*=", code)]
    m = re.match(r"(typedef )?struct( [A-Za-z_]\w*)? \{$", code)
    if m:
        state["struct"] = m.group(2).strip() if m.group(2) else None
        state["typedef"] = bool(m.group(1))
        state["fields"] = []
        # A structure's tag lives apart from other names, as in C (struct kevent beside kevent()).
        return [] if state["typedef"] else [("struct " + state["struct"], "struct")]
    m = re.match(r"\} ([A-Za-z_]\w*);$", code)
    if m and "fields" in state:
        name = m.group(1)
        fields = [(name + "." + f, "field") for f in state.pop("fields")]
        state.pop("struct", None)
        return [(name, "struct")] + fields
    if "fields" in state:
        field = re.match(r".*?([A-Za-z_]\w*)(\[[^\]]*\])?;$", code).group(1)
        if state.get("typedef"):
            state["fields"].append(field)
            return []
        return [(state["struct"] + "." + field, "field")]
    if code.startswith("typedef "):
        m = re.search(r"([A-Za-z_]\w*)(\[[^\]]*\])?;$", code)
        return [(m.group(1), "type")]
    if "(" in code:
        before = code.split("(", 1)[0]
        return [(IDENTIFIER.findall(before)[-1], "function")]
    if code.startswith("extern "):
        return [(IDENTIFIER.findall(code.rstrip(";"))[-1], "global")]
    return [(None, None)]


def scan_stubs(stubs, problems):
    declarations = {}  # name -> (header, file:line, code, kind)
    for folder, _, files in os.walk(stubs):
        if os.path.basename(folder) == "selftest":
            continue
        for name in sorted(files):
            if not name.endswith(".h"):
                continue
            path = os.path.join(folder, name)
            shown = os.path.relpath(path, ROOT)
            state = {}
            with open(path, encoding="utf-8") as f:
                for number, line in enumerate(f, 1):
                    stripped = line.strip()
                    if not stripped or SKIPPED_LINE.match(stripped):
                        if stripped in ("}", "};", "@end"):
                            state.pop("interface", None)
                            if stripped == "};":
                                state.pop("struct", None)
                                state.pop("fields", None)
                        continue
                    m = ANNOTATION.match(stripped)
                    if not m:
                        problems.append(f"{shown}:{number}: a declaration without the Apple header it comes from")
                        continue
                    code, header = m.group(1), m.group(2)
                    if code == "};":
                        state.pop("struct", None)
                        state.pop("fields", None)
                        continue
                    for declared, kind in declared_names(code, state):
                        if declared is None:
                            problems.append(f"{shown}:{number}: cannot tell what this line declares")
                            continue
                        if declared in declarations:
                            problems.append(f"{shown}:{number}: {declared} is declared twice")
                        declarations[declared] = (header, f"{shown}:{number}", code, kind)
                        DECLARED_IN[declared] = os.path.relpath(path, stubs)
    return declarations


def apple_sources():
    platform = os.path.join(ROOT, "src", "platform")
    return sorted(os.path.join(platform, n) for n in os.listdir(platform) if re.search(r"_apple\.(cpp|mm)$", n))


def without_comments(text):
    return re.sub(r"//[^\n]*|/\*.*?\*/", "", text, flags=re.S)


def used_names(sources):
    """The words of the macOS-only sources."""
    words = set()
    for path in sources:
        with open(path, encoding="utf-8") as f:
            words.update(IDENTIFIER.findall(without_comments(f.read())))
    return words


def check_includes(sources, declarations, problems, shown=None):
    """Each source includes the header that declares each Apple name it uses, not one that happens to bring it."""
    for path in sources:
        with open(path, encoding="utf-8") as f:
            text = f.read()
        included = set(re.findall(r"^\s*#\s*(?:include|import)\s*<([^>]+)>", text, flags=re.M))
        name = shown or os.path.relpath(path, ROOT)
        for word in sorted(set(IDENTIFIER.findall(without_comments(text)))):
            stub = DECLARED_IN.get(word)
            if stub and declarations[word][3] not in ("field", "objc") and stub not in included:
                problems.append(f"{name} uses {word} but does not include <{stub}>")


def stub_words(stubs, declarations):
    words = set()
    for _, where, code, _ in declarations.values():
        words.update(IDENTIFIER.findall(code.split("(", 1)[1] if "(" in code else code)[1:])
    return words


def assertions(facts, objc):
    lines = ["#include <cstddef>", "#include <type_traits>"]
    headers = ["CoreFoundation/CoreFoundation.h", "Security/Security.h", "copyfile.h", "fcntl.h", "libproc.h",
               "malloc/malloc.h", "membership.h", "spawn.h", "stdio.h", "sys/attr.h", "sys/event.h", "sys/mount.h", "sys/param.h",
               "sys/stat.h", "unistd.h", "uuid/uuid.h"]
    if objc:
        headers.append("Foundation/Foundation.h")
    lines += [f"#include <{h}>" for h in headers]
    previous_field = {}
    for name, fact in sorted(facts.items(), key=lambda item: item[1]["order"]):
        kind, text, header = fact["kind"], fact["text"], fact["header"]
        foundation = header.startswith("<Foundation/") or header.startswith("<objc/")
        if foundation != objc:
            continue
        label = f'"{name} ({header}): {kind} differs from \\"{text}\\""'.replace("\\\"", "'")
        if kind == "value":
            lines.append(f"static_assert(({name}) == ({text}), {label});")
        elif kind == "type":
            lines.append(f"static_assert(std::is_same_v<{name}, {text}>, {label});")
        elif kind == "struct":
            lines.append(f"static_assert(std::is_class_v<{text}>, {label});")
        elif kind in ("function", "global"):
            lines.append(f"static_assert(std::is_same_v<decltype({name}), {text}>, {label});")
        elif kind == "field":
            struct, field = name.split(".", 1)
            owner = facts.get("struct " + struct) or facts.get(struct)
            if owner is None:
                continue
            spelled = owner["text"] if owner["kind"] == "struct" else struct
            member = f"decltype((({spelled}*)nullptr)->{field})"
            lines.append(f"static_assert(std::is_same_v<{member}, {text}>, {label});")
            if struct in previous_field:
                lines.append(f"static_assert(offsetof({spelled}, {previous_field[struct]}) < offsetof({spelled}, {field}), "
                             f'"{name} is not after {struct}.{previous_field[struct]}");')
            previous_field[struct] = field
    return "\n".join(lines) + "\n"


def compile_assertions(stubs, facts, problems):
    compiler = os.environ.get("CLANGXX", "clang++")
    for objc in (False, True):
        source = assertions(facts, objc)
        with tempfile.NamedTemporaryFile("w", suffix=".mm" if objc else ".cpp", delete=False) as f:
            f.write(source)
            path = f.name
        language = ["-x", "objective-c++", "-fobjc-runtime=macosx-14.0"] if objc else ["-x", "c++"]
        command = [compiler, *language, "-std=c++20", "-fsyntax-only", "-ferror-limit=0", "-D_DARWIN_C_SOURCE", "-isystem", stubs, path]
        try:
            result = subprocess.run(command, capture_output=True, text=True)
        except FileNotFoundError:
            print(f"check-apple-stubs: {compiler} not found")
            sys.exit(2)
        finally:
            os.unlink(path)
        for line in result.stderr.splitlines():
            m = re.search(r'error: static_assert failed(?: due to requirement .*)? "(.*)"$', line) or \
                re.search(r"error: static assertion failed(?: due to requirement .*)?: (.*)$", line)
            if m:
                problems.append(m.group(1))
            elif "error:" in line:
                problems.append(("Objective-C++: " if objc else "C++: ") + line.split("error:", 1)[1].strip())


def run(stubs, facts_path, sources):
    """Every disagreement between the stubs, the facts and the sources, one sentence each."""
    DECLARED_IN.clear()
    problems = []
    facts = read_facts(facts_path, problems)
    declarations = scan_stubs(stubs, problems)
    words = used_names(sources) | stub_words(stubs, declarations)
    for name, (header, where, code, kind) in sorted(declarations.items(), key=lambda item: item[1][1]):
        fact = facts.get(name)
        if fact is None:
            problems.append(f"{where}: {name} is not in {os.path.basename(facts_path)}")
            continue
        if fact["header"] != header:
            problems.append(f"{where}: {name} comes from {fact['header']}, not {header}")
        if fact["kind"] == "macro":
            defined = squeeze(code.split(name, 1)[1])
            if defined != squeeze(fact["text"]):
                problems.append(f"{where}: {name} is defined as '{defined}', Apple's header has '{fact['text']}'")
        if fact["kind"] == "objc" and squeeze(code) != squeeze(fact["text"]):
            problems.append(f"{where}: '{squeeze(code)}' differs from Apple's '{fact['text']}'")
        if fact["kind"] in ("function", "global") and name not in words:
            problems.append(f"{where}: {name} is declared but no macOS-only file uses it")
    for name, fact in facts.items():
        if name not in declarations:
            problems.append(f"{os.path.basename(facts_path)}: {name} is listed but no stub declares it")
    check_includes(sources, declarations, problems)
    compile_assertions(stubs, facts, problems)
    return problems


# Each drift the check must catch: (stub file, text, replacement, the message that must appear).
DRIFTS = [
    ("libproc.h", "#define PROC_UID_ONLY 4", "#define PROC_UID_ONLY 6",
     "PROC_UID_ONLY (<sys/proc_info.h>): value differs from '4'"),
    ("unistd.h", "size_t, unsigned int);", "size_t, unsigned long);",
     "getattrlist (<unistd.h>): function differs from 'int(const char*, void*, void*, size_t, unsigned int)'"),
    ("sys/mount.h", "  uint64_t f_bfree;  // <sys/mount.h>\n  uint64_t f_bavail;  // <sys/mount.h>",
     "  uint64_t f_bavail;  // <sys/mount.h>\n  uint64_t f_bfree;  // <sys/mount.h>",
     "statfs.f_bavail is not after statfs.f_bfree"),
    ("sys/stat.h", "  uint32_t st_flags;  // <sys/stat.h>", "  uint64_t st_flags;  // <sys/stat.h>",
     "stat.st_flags (<sys/stat.h>): field differs from '__uint32_t'"),
    ("sys/mount.h", "#define MNT_LOCAL 0x00001000  // <sys/mount.h>", "#define MNT_LOCAL 0x00001000",
     "a declaration without the Apple header it comes from"),
    ("sys/mount.h", "#define MNT_NOWAIT 2  // <sys/mount.h>", "#define MNT_NOWAIT 2  // <sys/param.h>",
     "MNT_NOWAIT comes from <sys/mount.h>, not <sys/param.h>"),
    ("sys/stat.h", "#define UF_HIDDEN 0x00008000  // <sys/stat.h>\n", "",
     "UF_HIDDEN is listed but no stub declares it"),
    ("sys/stat.h", "extern \"C\" int lstat", "extern \"C\" int chflags(const char*, unsigned int);  // <sys/stat.h>\nextern \"C\" int lstat",
     "chflags is declared but no macOS-only file uses it"),
    ("Foundation/Foundation.h", "isEqualToString:(NSString*)aString", "isEqualToString:(id)aString",
     "differs from Apple's '- (BOOL)isEqualToString:(NSString*)aString;'"),
    ("Foundation/Foundation.h", "typedef long NSInteger;", "typedef int NSInteger;",
     "NSInteger (<objc/NSObjCRuntime.h>): type differs from 'long'"),
]
EXTRA_FACTS = "<sys/stat.h> | function | chflags | int(const char*, unsigned int)\n"


def self_test(stubs, facts_path):
    """Each drift, made in a copy of the stubs, must be reported; and a source that leaves out an include."""
    import shutil
    failed = 0
    with tempfile.TemporaryDirectory() as work:
        with open(facts_path, encoding="utf-8") as f:
            facts_text = f.read()
        for stub, old, new, expected in DRIFTS:
            copy = os.path.join(work, "stubs")
            shutil.rmtree(copy, ignore_errors=True)
            shutil.copytree(stubs, copy)
            path = os.path.join(copy, stub)
            with open(path, encoding="utf-8") as f:
                text = f.read()
            if old not in text:
                print(f"FAIL  {stub}: the text to change is gone: {old!r}")
                failed = 1
                continue
            with open(path, "w", encoding="utf-8") as f:
                f.write(text.replace(old, new, 1))
            facts_copy = os.path.join(work, "apple-declarations.txt")
            with open(facts_copy, "w", encoding="utf-8") as f:
                f.write(facts_text + (EXTRA_FACTS if "chflags" in new else ""))
            problems = run(copy, facts_copy, apple_sources())
            if any(expected in p for p in problems):
                print(f"ok    {stub}: {expected}")
            else:
                print(f"FAIL  {stub}: expected '{expected}', got:")
                print("\n".join("      " + p for p in problems))
                failed = 1
        source = os.path.join(ROOT, "src", "platform", "trash_entry_apple.cpp")
        with open(source, encoding="utf-8") as f:
            text = f.read()
        bare = os.path.join(work, "trash_entry_apple.cpp")
        with open(bare, "w", encoding="utf-8") as f:
            f.write(text.replace("#include <unistd.h>\n", ""))
        problems = []
        DECLARED_IN.clear()
        declarations = scan_stubs(stubs, problems)
        check_includes([bare], declarations, problems, shown="trash_entry_apple.cpp")
        expected = "trash_entry_apple.cpp uses getattrlist but does not include <unistd.h>"
        print(("ok    " if expected in problems else "FAIL  ") + expected)
        failed |= expected not in problems
    return failed


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--stubs", default=os.path.join(ROOT, "testing", "apple_stubs"))
    parser.add_argument("--facts", default=None)
    parser.add_argument("--self-test", action="store_true", help="check that known drifts are caught")
    args = parser.parse_args()
    stubs = os.path.abspath(args.stubs)
    facts_path = args.facts or os.path.join(stubs, "apple-declarations.txt")
    if args.self_test:
        return self_test(stubs, facts_path)
    problems = run(stubs, facts_path, apple_sources())
    for problem in problems:
        print(problem)
    if not problems:
        count = sum(1 for _ in DECLARED_IN)
        print(f"ok    {count} stub declarations agree with the facts from Apple's headers")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
