#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: Tirlindo developers
"""tirlindo-record attacked as a local user would: hand-written requests, odd environments,
closed standard files, signals, links planted wherever the user may plant them, and two
games ending together many times. After every attack nothing outside the record folder has
changed, the record pair is whole (the old one or the new one), and every refusal was said.

usage: hostile-record.py [--shared] [--as ACCOUNT [--as ACCOUNT2]] [--rounds N] HELPER FOLDER
  --shared   FOLDER is the one built into HELPER (installed setgid games): it is run with no
             folder named. Without it, FOLDER is named to HELPER on its command line.
  --as       run every attack as this account (this script must then run as root); a second
             account plays the other game of each concurrent round.
"""

import argparse
import fcntl
import grp
import os
import pwd
import random
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import time

SCORE, HOLDER, LOCK = "aquizrec9.txt", "nquizrec9.txt", "quizrec9.lock"
JOURNAL = "quizrec9.journal"
OLD = (b"7\r\n", b"Vecchio\r\n")
SAVED, REFUSED, NOT_HIGHER, FAILED = 0, 2, 3, 4

# name, standard input, status, message (a part of it); "10 000 bytes" is a name the name box takes.
REQUESTS = [
    ("a score of 40 digits", b"9" * 40 + b"\nEva\n", REFUSED, "il punteggio supera 32767"),
    ("a score just over the game's range", b"32768\nEva\n", REFUSED, "il punteggio supera 32767"),
    ("a negative score", b"-5\nEva\n", REFUSED, "il punteggio deve essere fatto di sole cifre"),
    ("a score with a blank", b" 9\nEva\n", REFUSED, "il punteggio deve essere fatto di sole cifre"),
    ("a score in hexadecimal", b"&H7FFF\nEva\n", REFUSED, "il punteggio deve essere fatto di sole cifre"),
    ("nothing at all", b"", REFUSED, "manca il punteggio"),
    ("a score and no name line", b"9", REFUSED, "manca il nome"),
    ("a name with a line break", b"9\nEva\nMallory\n", REFUSED, "il nome deve stare su una riga sola"),
    ("a name with a carriage return", b"9\nEva\rMallory\n", REFUSED, "il nome deve stare su una riga sola"),
    ("a name with a NUL", b"9\nEva\0Mallory\n", REFUSED, "il nome deve stare su una riga sola"),
    ("a name with a Unicode line separator", "9\nEva\u2028Mallory\n".encode(), REFUSED,
     "il nome deve stare su una riga sola"),
    ("a name that is not UTF-8", b"9\nEv\xe0\n", REFUSED, "il nome non \u00e8 testo UTF-8 valido"),
    ("a name of 32 768 characters", b"9\n" + b"n" * 32768 + b"\n", REFUSED, "il nome \u00e8 troppo lungo"),
    ("a megabyte of input", b"9\n" + b"n" * (1 << 20), REFUSED, "la richiesta \u00e8 troppo lunga"),
    ("binary garbage", bytes(random.Random(19).randrange(256) for _ in range(4096)), REFUSED, "Richiesta rifiutata"),
    ("a name of 10 000 bytes", b"9\n" + b"n" * 10000 + b"\n", SAVED, ""),
]


class Attacker:
    def __init__(self, args):
        self.helper, self.folder, self.shared = args.helper, args.folder, args.shared
        # Only a setgid program makes the loader ignore the caller's LD_ variables.
        self.setgid = bool(os.stat(self.helper).st_mode & stat.S_ISGID)
        self.accounts = [pwd.getpwnam(name) for name in args.accounts]
        self.outside = tempfile.mkdtemp(prefix="tirlindo-outside-")
        if self.accounts:
            os.chmod(self.outside, 0o755)
            os.chown(self.outside, self.accounts[0].pw_uid, self.accounts[0].pw_gid)
        self.failures = []

    def as_account(self, cmd, account=0):
        if not self.accounts:
            return cmd
        who = self.accounts[account % len(self.accounts)]
        return ["setpriv", f"--reuid={who.pw_uid}", f"--regid={who.pw_gid}", "--clear-groups", *cmd]

    def command(self, extra=(), account=0, env=None, shell_redirect="", folder=None):
        """The helper's command line, run as the account, with exactly `env` as environment."""
        cmd = [self.helper, *extra] + ([folder] if folder else [] if self.shared else [self.folder])
        if shell_redirect:
            cmd = ["/bin/sh", "-c", f'exec "$0" "$@" {shell_redirect}', *cmd]
        cmd = ["/usr/bin/env", "-i", *[f"{k}={v}" for k, v in (env or {}).items()], *cmd]
        return self.as_account(cmd, account)

    def run(self, stdin, extra=(), **kw):
        proc = subprocess.run(self.command(extra, **kw), input=stdin, capture_output=True, timeout=60)
        return proc.returncode, proc.stderr.decode(errors="replace").strip()

    def reset(self, pair=OLD):
        if self.shared:
            self.reset_shared(pair)
            return
        for name in os.listdir(self.folder):
            if name != LOCK:
                path = os.path.join(self.folder, name)
                shutil.rmtree(path) if os.path.isdir(path) and not os.path.islink(path) else os.unlink(path)
        for name, content in zip((SCORE, HOLDER), pair):
            path = os.path.join(self.folder, name)
            with open(path, "wb") as f:
                f.write(content)
            os.chmod(path, 0o664)
            if self.accounts:
                os.chown(path, self.accounts[0].pw_uid, self.accounts[0].pw_gid)

    def reset_shared(self, pair):
        """The shared folder as the package makes it: four files, written in place here."""
        for name in os.listdir(self.folder):
            if name not in (SCORE, HOLDER, JOURNAL, LOCK):
                path = os.path.join(self.folder, name)
                shutil.rmtree(path) if os.path.isdir(path) and not os.path.islink(path) else os.unlink(path)
        games = grp.getgrnam("games").gr_gid
        for name, content, mode in [(SCORE, pair[0], 0o664), (HOLDER, pair[1], 0o664), (JOURNAL, b"", 0o660),
                                    (LOCK, b"", 0o660)]:
            path = os.path.join(self.folder, name)
            fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_NOFOLLOW, mode)
            os.ftruncate(fd, 0)
            os.write(fd, content)
            os.close(fd)
            os.chmod(path, mode)
            if os.getuid() == 0:
                os.chown(path, 0, games)

    def pair(self):
        def read(name):
            try:
                with open(os.path.join(self.folder, name), "rb") as f:
                    return f.read()
            except OSError as error:
                return f"<{error.strerror}>".encode()
        return read(SCORE), read(HOLDER)

    def outside_state(self):
        state = {}
        for root, dirs, files in os.walk(self.outside):
            for name in dirs + files:
                path = os.path.join(root, name)
                st = os.lstat(path)
                content = open(path, "rb").read() if os.path.isfile(path) and not os.path.islink(path) else b""
                state[path] = (st.st_mode, st.st_uid, content)
        return state

    def check(self, case, status, said, expected_status, expected_said, pairs, before, after=None):
        problems = []
        if status != expected_status and expected_status is not None:
            problems.append(f"status {status}, not {expected_status}")
        if expected_said and expected_said not in said:
            problems.append(f"said {said!r}")
        if status not in (SAVED, NOT_HIGHER) and not said and expected_said is not None:
            problems.append("refused without a word")
        if self.pair() not in pairs:
            problems.append(f"the pair is {self.pair()!r}")
        if (self.outside_state() if after is None else after) != before and before != {}:
            problems.append("something outside the folder changed")
        print(f"{'ok  ' if not problems else 'FAIL'} {case}: status {status}"
              + (f", says \u00ab{said}\u00bb" if said else "")
              + (f"  <-- {'; '.join(problems)}" if problems else ""), flush=True)
        if problems:
            self.failures.append(case)

    def requests(self):
        print("-- hand-written requests", flush=True)
        for case, stdin, status, said in REQUESTS:
            self.reset()
            before = self.outside_state()
            got, text = self.run(stdin)
            new = (b"9\r\n", stdin.split(b"\n")[1] + b"\r\n") if status == SAVED else OLD
            self.check(case, got, text, status, said, [new], before)
        for case, extra in [("an unknown option", ["--folder"]), ("a third argument", ["--recover", "x", "y"])]:
            self.reset()
            before = self.outside_state()
            status, text = self.run(b"9\nEva\n", extra, folder=extra[-1])
            self.check(case, status, text, REFUSED, "argomenti non validi", [OLD], before)

    def environment(self):
        print("-- odd environments and closed standard files", flush=True)
        marker = os.path.join(self.outside, "preloaded")
        preload = self.build_preload(marker)
        cases = [
            ("PATH and HOME elsewhere", {"PATH": self.outside, "HOME": self.outside, "TMPDIR": self.outside}, ""),
            ("Turkish locale", {"LC_ALL": "tr_TR.UTF-8", "LANG": "tr_TR.UTF-8", "LANGUAGE": "tr"}, ""),
            ("locale files and conversions of the user's", {"LOCPATH": self.outside, "GCONV_PATH": self.outside,
                                                            "NLSPATH": self.outside + "/%N"}, ""),
            ("malloc checks and tracing", {"MALLOC_CHECK_": "3", "MALLOC_TRACE": os.path.join(self.outside, "trace"),
                                           "MALLOC_PERTURB_": "165"}, ""),
        ]
        # The dynamic loader heeds these for an ordinary program, with the user's own rights:
        # only a setgid one must ignore them.
        if self.setgid:
            cases.append(("the loader's debugging output", {"LD_DEBUG": "all",
                                                            "LD_DEBUG_OUTPUT": os.path.join(self.outside, "ld")}, ""))
            if preload:
                cases.append(("LD_PRELOAD of the user's library", {"LD_PRELOAD": preload}, ""))
        for case, env, said in cases:
            self.reset()
            before = self.outside_state()
            status, text = self.run(b"9\nEva\n", env=env)
            self.check(case, status, text, SAVED, said, [(b"9\r\n", b"Eva\r\n")], before)
        for case, redirect, status, said, pair in [
                ("standard input closed", "<&-", REFUSED, "lo standard input", OLD),
                ("standard output closed", ">&-", SAVED, "", (b"9\r\n", b"Eva\r\n")),
                ("standard error closed, a bad request", "2>&-", REFUSED, None, OLD),
                ("standard error closed, a good request", "2>&-", SAVED, "", (b"9\r\n", b"Eva\r\n")),
                ("every standard file closed", "<&- >&- 2>&-", REFUSED, None, OLD)]:
            self.reset()
            before = self.outside_state()
            stdin = b"99999\nEva\n" if "bad" in case else b"9\nEva\n"
            got, text = self.run(stdin, shell_redirect=redirect)
            self.check(case, got, text, status, said, [pair], before)

    def build_preload(self, marker):
        cc = shutil.which("cc") or shutil.which("gcc")
        if not cc:
            print("(no C compiler: the LD_PRELOAD case is not run)", flush=True)
            return None
        source = os.path.join(self.outside, "..", os.path.basename(self.outside) + "-preload.c")
        library = source[:-2] + ".so"
        with open(source, "w") as f:
            f.write('#include <fcntl.h>\n__attribute__((constructor)) static void mark(void)'
                    f' {{ open("{marker}", O_CREAT | O_WRONLY, 0644); }}\n')
        subprocess.run([cc, "-shared", "-fPIC", "-o", library, source], check=True)
        os.chmod(library, 0o755)
        return library

    def signals(self, rounds):
        print("-- signals in the middle of a save, then the next save", flush=True)
        new = (b"9\r\n", b"Eva\r\n")
        for sig in (signal.SIGKILL, signal.SIGTERM, signal.SIGINT, signal.SIGHUP, signal.SIGSEGV):
            seen = {}
            before = self.outside_state()
            bad = 0
            for i in range(rounds):
                self.reset()
                proc = subprocess.Popen(self.command(), stdin=subprocess.PIPE, stderr=subprocess.PIPE)
                proc.stdin.write(b"9\nEva\n")
                proc.stdin.close()
                time.sleep(random.uniform(0, 0.02))  # anywhere in the save, or after it
                try:
                    os.kill(proc.pid, sig)
                except ProcessLookupError:
                    pass
                proc.wait()
                proc.stderr.close()
                status, _ = self.run(b"", extra=["--recover"])
                which = {OLD: "old", new: "new"}.get(self.pair())
                seen[which] = seen.get(which, 0) + 1
                bad += which is None or status != SAVED
            case = f"{signal.Signals(sig).name} at a random moment, {rounds} times"
            print(f"{'ok  ' if not bad and self.outside_state() == before else 'FAIL'} {case}: then "
                  + ", ".join(f"{n} {k} pair" for k, n in sorted(seen.items(), key=str)), flush=True)
            if bad or self.outside_state() != before:
                self.failures.append(case)
        # Another save holding the lock (one stopped by its account, say): the next save waits,
        # then says why it gives up.
        self.reset()
        before = self.outside_state()
        held = os.open(os.path.join(self.folder, LOCK), os.O_RDONLY | os.O_CREAT | os.O_NOFOLLOW, 0o660)
        try:
            fcntl.flock(held, fcntl.LOCK_EX)
            status, text = self.run(b"10\nBruno\n")
        finally:
            os.close(held)
        self.check("another save while one holds the lock", status, text, FAILED,
                   "un altro salvataggio lo tiene occupato", [OLD], before)

    def links(self):
        print("-- links planted at every name the program opens", flush=True)
        if self.shared and self.accounts:  # the shared folder is not the user's to plant in
            planted = os.path.join(self.folder, "planted")
            made = subprocess.run(self.as_account(["ln", "-s", self.outside, planted]), capture_output=True)
            self.check("a link planted in the shared folder", made.returncode, made.stderr.decode().strip(), 1,
                       "", [OLD, self.pair()], {})
            if os.path.lexists(planted):
                os.unlink(planted)
        # A folder of the user's own, named to the program, with a link out of it at each name.
        own, target = os.path.join(self.outside, "own"), os.path.join(self.outside, "target.txt")
        names = [SCORE, HOLDER, LOCK, JOURNAL, JOURNAL + ".tmp", JOURNAL + ".undo"] + \
            [n + s for n in (SCORE, HOLDER) for s in (".new", ".old")]
        aims = [target] + ([os.path.join(self.folder, n) for n in (SCORE, HOLDER)] if self.shared else [])
        for name, aim in [(n, a) for n in names for a in aims]:
            self.reset()
            shutil.rmtree(own, ignore_errors=True)
            os.mkdir(own)
            for file, content in [(target, b"mine\r\n"), (os.path.join(own, SCORE), OLD[0]),
                                  (os.path.join(own, HOLDER), OLD[1])]:
                with open(file, "wb") as f:
                    f.write(content)
            path = os.path.join(own, name)
            if os.path.lexists(path):
                os.unlink(path)
            os.symlink(aim, path)
            for p in (own, target, *[os.path.join(own, n) for n in os.listdir(own)]):
                if self.accounts:
                    os.lchown(p, self.accounts[0].pw_uid, self.accounts[0].pw_gid)
            before = {p: v for p, v in self.outside_state().items() if not p.startswith(own)}
            status, said = self.run(b"9\nEva\n", folder=own)
            # A link at a record file's own name is refused; elsewhere it is cleared away.
            expected = FAILED if name in (SCORE, HOLDER, LOCK) else SAVED
            after = {p: v for p, v in self.outside_state().items() if not p.startswith(own)}
            self.check(f"{name} -> {os.path.relpath(aim, os.path.dirname(self.outside))}", status, said,
                       expected, "collegamento simbolico" if expected else "", [OLD], before, after)
        if self.shared and self.accounts:
            self.reset()
            link = os.path.join(self.outside, "to-shared")
            os.symlink(self.folder, link)
            before = self.outside_state()
            for case, folder in [("the shared folder named on the command line", self.folder),
                                 ("a link to the shared folder named", link)]:
                status, said = self.run(b"9\nEva\n", folder=folder)
                self.check(case, status, said, FAILED, "", [OLD], before)
            os.unlink(link)

    def cut_journal(self):
        """A save of the shared folder cut short at every byte of its journal: the start's
        recovery leaves the old pair for a journal cut short, the new pair for a whole one."""
        if not self.shared:
            return
        print("-- the shared folder's journal cut short at every byte", flush=True)
        new = (b"9\r\n", b"Eva\r\n")
        whole = b"tirlindo-pair\0" + new[1] + b"\0" + new[0] + b"\0end"
        bad = []
        for n in range(len(whole) + 1):
            self.reset()
            with open(os.path.join(self.folder, JOURNAL), "r+b") as f:
                f.write(whole[:n])
            status, _ = self.run(b"", extra=["--recover"])
            expected = new if n == len(whole) else OLD
            if status != SAVED or self.pair() != expected or os.path.getsize(os.path.join(self.folder, JOURNAL)):
                bad.append(n)
        self.check(f"{len(whole) + 1} journals, cut at each byte", 1 if bad else 0, f"wrong at {bad}" if bad else "",
                   0, None, [new], {})

    def holder_by_hand(self):
        """The account that holds the record can no more change it by hand than any other."""
        if not (self.shared and self.accounts):
            return
        print("-- the record's holder at its files by hand", flush=True)
        self.reset()
        status, said = self.run(b"9\nEva\n")
        new = (b"9\r\n", b"Eva\r\n")
        self.check("the holder's own save", status, said, SAVED, "", [new], {})
        tries = """
import os, sys
folder = sys.argv[1]
for name in sys.argv[2:]:
    path = os.path.join(folder, name)
    for what, act in [("write", lambda: open(path, "r+b").write(b"32767")),
                      ("hold", lambda: open(path, "rb")) if name.endswith("lock") else ("read", lambda: None),
                      ("chmod", lambda: os.chmod(path, 0o666)), ("remove", lambda: os.unlink(path)),
                      ("rename", lambda: os.rename(path, path + ".mine"))]:
        try:
            act()
            if what not in ("read",):
                print(f"{what} {name}: allowed")
        except PermissionError:
            pass
"""
        for name in (SCORE, HOLDER, JOURNAL, LOCK):
            done = subprocess.run(self.as_account(["/usr/bin/python3", "-c", tries, self.folder, name]),
                                  capture_output=True, timeout=60)
            allowed = done.stdout.decode().strip()
            self.check(f"the holder edits, locks, chmods, removes or renames {name}", 1 if allowed else 0,
                       allowed, 0, None, [new], {})

    def concurrency(self, rounds):
        print("-- two games ending within the same 100 ms, again and again", flush=True)
        rng = random.Random(9)
        games = saves = not_higher = kept = 0
        for i in range(rounds):
            record = rng.randrange(0, 150)
            self.reset((f"{record}\r\n".encode(), f"Vecchio{record}\r\n".encode()))
            a, b = rng.sample(range(1, 200), 2)
            procs = []
            for n, score in enumerate((a, b)):
                if n:
                    time.sleep(rng.uniform(0, 0.1))
                p = subprocess.Popen(self.command(account=n), stdin=subprocess.PIPE, stderr=subprocess.PIPE)
                p.stdin.write(f"{score}\nGioco{score}\n".encode())
                p.stdin.close()
                procs.append(p)
            statuses = [p.wait() for p in procs]
            said = [p.stderr.read().decode().strip() for p in procs]
            games += 2
            saves += statuses.count(SAVED)
            not_higher += statuses.count(NOT_HIGHER)
            best = max(record, a, b)
            expected = (f"{best}\r\n".encode(), (f"Gioco{best}" if best != record else f"Vecchio{record}").encode() + b"\r\n")
            if self.pair() == expected and all(s in (SAVED, NOT_HIGHER) for s in statuses):
                kept += 1
            else:
                self.failures.append(f"concurrent round {i}")
                print(f"FAIL round {i}: record {record}, scores {a} {b}, statuses {statuses} {said}, "
                      f"pair {self.pair()!r}", flush=True)
        print(f"{'ok  ' if kept == rounds else 'FAIL'} concurrency: {rounds} rounds, {games} games, "
              f"{saves} saves, {not_higher} not higher than the record on the disk, "
              f"highest kept with its holder {kept} of {rounds}", flush=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--shared", action="store_true")
    parser.add_argument("--as", dest="accounts", action="append", default=[])
    parser.add_argument("--rounds", type=int, default=100)
    parser.add_argument("helper")
    parser.add_argument("folder")
    args = parser.parse_args()
    args.helper, args.folder = os.path.abspath(args.helper), os.path.abspath(args.folder)
    os.makedirs(args.folder, exist_ok=True)
    attacker = Attacker(args)
    try:
        attacker.requests()
        attacker.environment()
        attacker.links()
        attacker.holder_by_hand()
        attacker.cut_journal()
        attacker.signals(max(4, args.rounds // 5))
        attacker.concurrency(args.rounds)
    finally:
        shutil.rmtree(attacker.outside, ignore_errors=True)
        for leftover in (attacker.outside + "-preload.c", attacker.outside + "-preload.so"):
            if os.path.exists(leftover):
                os.unlink(leftover)
    if attacker.failures:
        print(f"hostile-record: {len(attacker.failures)} FAILED: {', '.join(attacker.failures)}", flush=True)
        sys.exit(1)
    print("hostile-record: every attack refused or harmless, every refusal said, the pair always whole", flush=True)


if __name__ == "__main__":
    main()
