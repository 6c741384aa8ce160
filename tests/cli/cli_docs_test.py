#!/usr/bin/env python3
"""korin-cli's manual page and bash completion against the program itself:
both offer exactly the commands, options and palette formats that
korin-cli --help names, and nothing the program refuses; the page renders
without warnings and has an example of every command and option; the
completion offers the files each command reads.

Usage: cli_docs_test.py KORIN_CLI MANUAL_PAGE COMPLETION_FILE
"""
import os
import re
import subprocess
import sys
import tempfile
import unittest

CLI = PAGE = COMPLETION = None
OPTION = re.compile(r"(?:^|(?<=[\s\[(|,]))(--?[a-z][a-z-]*)")


def run(*args):
    return subprocess.run((CLI,) + args, capture_output=True, text=True, timeout=60)


def tool_help():
    return run("--help").stdout


def help_commands():
    block = tool_help().split("Commands:\n", 1)[1].split("\n\n", 1)[0]
    return [m.group(1) for m in re.finditer(r"^  ([a-z][a-z-]*) ", block, re.M)]


def help_formats():
    line = re.search(r"^Palette formats[^:]*:(.*)\.$", tool_help(), re.M).group(1)
    return [word.strip() for word in line.split(",")]


def help_options(command):
    return set(OPTION.findall(run(command, "--help").stdout))


def accepted(command, option):
    """Whether the parser takes option for command (the files may be wrong)."""
    said = run(command, option, "x").stderr
    return "unknown option" not in said and "does not apply" not in said


def rendered_page():
    done = subprocess.run(["man", "--warnings", "-l", PAGE], capture_output=True, text=True,
                          env=dict(os.environ, MANWIDTH="200", LC_ALL="C.UTF-8"), timeout=60)
    return done, re.sub(r".\x08", "", done.stdout)


def sections(text):
    """The page's sections by name, each a list of (indent, text) lines."""
    found, name = {}, None
    for line in text.splitlines():
        if line and not line[0].isspace():
            name = line.strip()
            found[name] = []
        elif name and line.strip():
            found[name].append((len(line) - len(line.lstrip()), line.strip()))
    return found


def page_tags():
    """The tags of the page's tagged paragraphs (.TP), by section, as text."""
    found, name, tag_next = {}, None, False
    with open(PAGE, encoding="utf-8") as f:
        for line in f.read().splitlines():
            if line.startswith(".SH "):
                name = line[4:].strip('"')
            elif tag_next:
                words = re.sub(r"\\f[BIRP]|^\.[A-Z]+ |\"", "", line).replace("\\-", "-")
                found.setdefault(name, []).append(words)
            tag_next = line == ".TP"
    return found


class ManualPage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.done, text = rendered_page()
        cls.sections = sections(text)
        cls.tags = page_tags()
        # Each command's subsection: its heading's first word, and its text.
        cls.commands = {}
        for indent, line in cls.sections.get("COMMANDS", []):
            if indent == 3:
                current = cls.commands.setdefault(line.split()[0], [])
            current.append(line)

    def test_renders_without_warnings(self):
        self.assertEqual(self.done.returncode, 0)
        self.assertEqual(self.done.stderr, "")
        for name in ("NAME", "SYNOPSIS", "COMMANDS", "OPTIONS", "EXIT STATUS", "EXAMPLES"):
            self.assertIn(name, self.sections)

    def test_commands_are_the_programs(self):
        self.assertEqual(sorted(self.commands), sorted(help_commands()))

    def test_each_commands_options_are_those_the_program_takes(self):
        for command, lines in self.commands.items():
            on_page = set(OPTION.findall(" ".join(lines)))
            with self.subTest(command=command):
                self.assertLessEqual(help_options(command) - {"--help"}, on_page)
                refused = [o for o in on_page if not accepted(command, o)]
                self.assertEqual(refused, [])

    def test_output_options_and_formats_are_the_programs(self):
        block = tool_help().split("OUTPUT is exactly one of:\n", 1)[1].split("\n\n", 1)[0]
        output = self.sections["OUTPUT"]
        self.assertEqual(set(OPTION.findall(block)), set(OPTION.findall(" ".join(t for _, t in output))))
        self.assertEqual(self.tags["PALETTE FORMATS"], help_formats())

    def test_exit_statuses_are_the_programs(self):
        sentence = re.search(r"Exit status:(.*?\.)\s", tool_help(), re.S).group(1)
        self.assertEqual(re.findall(r"\b(\d) (?:when|for)", sentence), self.tags["EXIT STATUS"])

    def test_every_command_and_option_has_an_example(self):
        examples = self.tags["EXAMPLES"]
        self.assertTrue(all(e.startswith("korin-cli ") for e in examples))
        words = set(" ".join(examples).replace("=", " ").split())
        options = set(OPTION.findall(" ".join(sum(self.commands.values(), []))))
        options |= set(OPTION.findall(" ".join(t for _, t in self.sections["OPTIONS"])))
        self.assertEqual(set(help_commands()) - words, set())
        self.assertEqual(options - words, set())


def complete(words, folder):
    """COMPREPLY of the completion for the words, the last being completed,
    split as bash splits a command line ("=" a word of its own)."""
    script = ('source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _korin_cli; '
              'printf "%s\\n" "${COMPREPLY[@]}"')
    done = subprocess.run(["bash", "--norc", "-c", script, "_", COMPLETION, CLI] + words, cwd=folder,
                          capture_output=True, text=True, timeout=60)
    assert done.returncode == 0, done.stderr
    return sorted(line for line in done.stdout.splitlines() if line)


class Completion(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory()
        names = ("a.bmp", "B.PNG", "c.gif", "d.pal", "e.gpl", "f.act", "g.hex", "h.txt", "i.doc", "my pic.bmp")
        for name in names:
            open(os.path.join(cls.folder.name, name), "wb").close()
        os.mkdir(os.path.join(cls.folder.name, "sub"))

    @classmethod
    def tearDownClass(cls):
        cls.folder.cleanup()

    def complete(self, *words):
        return complete(list(words), self.folder.name)

    def test_commands(self):
        self.assertEqual(self.complete(""), sorted(help_commands() + ["--help", "-h", "--version"]))
        self.assertEqual(self.complete("n"), sorted(c for c in help_commands() if c.startswith("n")))

    def test_options_are_each_commands(self):
        for command in help_commands():
            offered = set(self.complete(command, "-"))
            with self.subTest(command=command):
                self.assertLessEqual(help_options(command), offered)
                self.assertEqual([o for o in offered if not accepted(command, o)], [])

    def test_format_values(self):
        formats = help_formats()
        self.assertEqual(self.complete("palette", "a.bmp", "--format", ""), sorted(formats))
        self.assertEqual(self.complete("convert", "d.pal", "x", "--format", "=", formats[0][:2]),
                         sorted(f for f in formats if f.startswith(formats[0][:2])))
        for value in formats:
            self.assertNotIn("--format takes", run("convert", "x", "y", "--format", value).stderr)

    def test_operands_are_files_of_the_kind_each_command_reads(self):
        pictures = ["B.PNG", "a.bmp", "c.gif", "my pic.bmp", "sub"]
        palettes = ["d.pal", "e.gpl", "f.act", "g.hex", "h.txt"]
        for words, expected in (
                (("info", ""), pictures),
                (("palette", ""), pictures),
                (("invert", "--in-place", ""), pictures),
                (("swap", ""), ["br", "gb", "rg"]),
                (("swap", "rg", "-o", "out.bmp", ""), pictures),
                (("apply", ""), sorted(pictures + palettes)),
                (("apply", "d.pal", "a.bmp", ""), pictures),
                (("normalize", "--out-dir", "sub", ""), ["a.bmp", "my pic.bmp", "sub"]),
                (("normalize", "--out-dir", ""), ["sub"]),
                (("convert", ""), sorted(pictures + palettes)),
                (("convert", "d.pal", ""), sorted(pictures + palettes + ["i.doc"])),
                (("invert", "--", "-"), []),
                (("new", "--bits", ""), ["1", "24", "4", "8"])):
            with self.subTest(words=words):
                self.assertEqual(self.complete(*words), expected)


if __name__ == "__main__":
    CLI, PAGE, COMPLETION = (os.path.abspath(a) for a in sys.argv[1:4])
    unittest.main(argv=sys.argv[:1] + sys.argv[4:], verbosity=2)
