#!/usr/bin/python3
"""corvel-sweep end to end: a 12-set token-bucket sweep on 2 cores through
pyxsim, one set failing on purpose, checked against each run's own JSON; the
same sweep as a Slurm array run by hand; ranges and value escaping."""

import csv
import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET

SRC = os.environ.get("CORVEL_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))
BIN = os.environ.get("CORVEL_BIN_DIR", os.path.join(SRC, "build", "bin"))
TOOL = os.path.join(SRC, "tools", "corvel-sweep")
TEMPLATE = os.path.join(SRC, "examples", "sweep", "contract.tcs")
CIRS = [8000 * i for i in range(1, 13)]  # the loader refuses more than 100000
FAILING = 9  # run-009 tags its frames for transmit port 1; they arrive on 0/0
STREAMS = ["tx0/0:rx0/0.s0", "tx0/0:rx0/0.s1"]


def sweep(out, *extra):
    cmd = ["/usr/bin/python3", TOOL, "sweep", TEMPLATE, "-o", out,
           "--pyxsim", os.path.join(BIN, "pyxsim"),
           "--plugin", os.path.join(BIN, "libcorvel_lite.so")] + list(extra)
    return subprocess.run(cmd, capture_output=True, text=True)


def readText(path, mode="r"):
    with open(path, mode) as f:
        return f.read()


def readCsv(path):
    with open(path, newline="") as f:
        return list(csv.DictReader(f))


def expectedRow(summary):
    """The figures of one run, worked out from its summary.json afresh."""
    tx = [p for p in summary["ports"] if p["direction"] == "tx"]
    rx = [p for p in summary["ports"] if p["direction"] == "rx"]
    plug = [p["plugin"] or {} for p in tx]
    police = lambda c: sum((p.get("policing") or {}).get(c, 0) for p in plug)
    sent = sum(((p["plugin"] or {}).get("generation") or {}).get("pdus_processed", 0) for p in rx)
    verified = sum((p.get("capture") or {}).get(k, 0) for p in plug
                   for k in ("pdu_passed", "pdu_failed"))
    row = {"verdict": summary["verdict"], "exit_status": str(summary["exit_status"]),
           "cycles": str(summary["cycles"]),
           "rx_frames": str(sum(p["frames"] for p in rx)),
           "tx_frames": str(sum(p["frames"] for p in tx)),
           "pdus_passed": str(summary["pdus_verified"]), "pdus_failed": str(summary["pdus_failed"]),
           "pdus_lost": str(max(0, sent - verified))}
    for c in ("green", "yellow", "red", "not_assigned"):
        row[c] = str(police(c))
    for p in tx:
        for lat in (p["plugin"] or {}).get("latency") or []:
            key = f"tx{p['device']}/{p['port']}:rx{lat['rx_device']}/{lat['rx_port']}.s{lat['stream']}"
            for k in ("pdus", "min_cycles", "mean_cycles", "max_cycles", "jitter_cycles"):
                row[f"{key} {k}"] = str(lat[k])
    return row


class SweepTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not shutil.which("parallel"):
            raise RuntimeError("GNU parallel is missing: make deps installs it")
        cls.tmp = tempfile.mkdtemp(prefix="sweep_", dir=os.getcwd())
        cls.grid = os.path.join(cls.tmp, "grid.csv")
        with open(cls.grid, "w") as f:
            f.write("CIR,SIZE,EXPECT_PORT\n")
            for i, cir in enumerate(CIRS, 1):
                f.write(f"{cir},{64 if i % 2 else 200},{1 if i == FAILING else 0}\n")
        cls.out = os.path.join(cls.tmp, "parallel")
        # ":" is GNU parallel's name for this machine: --sshlogin reaches it unchanged.
        cls.result = sweep(cls.out, "--grid", cls.grid, "-j", "2", "--sshlogin", ":",
                           "--plot", "max_cycles", "--x", "CIR")

    @classmethod
    def tearDownClass(cls):
        if os.environ.get("KEEP_SWEEP_OUTPUT") is None:
            shutil.rmtree(cls.tmp, ignore_errors=True)

    def runDir(self, name, out=None):
        return os.path.join(out or self.out, "runs", name)

    def testFailingSetIsNamedAndFailsTheSweep(self):
        r = self.result
        self.assertEqual(r.returncode, 1, r.stderr)
        log = os.path.join(self.runDir("run-009"), "console.log")
        self.assertIn("FAILED run-009 (exit 3): tx 0/0: 12 routes failed", r.stderr)
        self.assertIn(log, r.stderr)
        self.assertEqual(r.stderr.count("FAILED"), 1, r.stderr)
        with open(log) as f:
            self.assertIn("pyxsim: FAIL: tx 0/0", f.read())
        with open(os.path.join(self.out, "failed.txt")) as f:
            self.assertEqual([l.split("\t")[0] for l in f if l.strip()], ["run-009"])
        progress = [l for l in r.stderr.splitlines() if l.endswith(" left")]
        self.assertEqual(progress[-1], "corvel-sweep: 12 done, 1 failed, 0 left", r.stderr)

    def testCsvRowsEqualEachRunsJson(self):
        rows = readCsv(os.path.join(self.out, "results.csv"))
        self.assertEqual([r["run"] for r in rows], [f"run-{i:03d}" for i in range(1, 13)])
        for i, row in enumerate(rows, 1):
            with open(os.path.join(self.runDir(row["run"]), "summary.json")) as f:
                summary = json.load(f)
            self.assertEqual(row["CIR"], str(CIRS[i - 1]))
            for key, value in expectedRow(summary).items():
                self.assertEqual(row[key], value, f"{row['run']} {key}")
            with open(os.path.join(self.runDir(row["run"]), "run.tcs")) as f:
                self.assertIn(f'<!ENTITY CIR "{CIRS[i - 1]}">', f.read())
            if i == FAILING:
                self.assertEqual((row["verdict"], row["exit_status"]), ("fail", "3"))
                continue
            # What the template and pyxsim's fixed latency of 20 cycles give.
            self.assertEqual((row["verdict"], row["pdus_passed"], row["pdus_failed"]),
                             ("pass", "12", "0"), row["run"])
            for s in STREAMS:
                self.assertEqual((row[f"{s} pdus"], row[f"{s} max_cycles"]), ("6", "20"))
        # A token bucket with more rate marks no more frames red.
        for size in ("64", "200"):
            red = [int(r["red"]) for i, r in enumerate(rows, 1)
                   if i != FAILING and (64 if i % 2 else 200) == int(size)]
            self.assertEqual(red, sorted(red, reverse=True), size)
        self.assertGreater(len({r["red"] for r in rows}), 1, "CIR changed nothing")

    def testRunsWentThroughParallelOnTheGivenLogin(self):
        with open(os.path.join(self.out, "joblog.txt"), newline="") as f:
            jobs = list(csv.DictReader(f, delimiter="\t"))
        self.assertEqual(len(jobs), 12)
        self.assertEqual({j["Host"] for j in jobs}, {":"})

    def testJunitNamesEveryRun(self):
        suite = ET.parse(os.path.join(self.out, "results.xml")).getroot().find("testsuite")
        self.assertEqual((suite.get("tests"), suite.get("failures")), ("12", "1"))
        failed = [c.get("name") for c in suite.findall("testcase") if c.find("failure") is not None]
        self.assertEqual(failed, ["run-009"])

    def testPlotHasOneLinePerStream(self):
        png = os.path.join(self.out, "plot-max_cycles-CIR.png")
        with open(png, "rb") as f:
            self.assertEqual(f.read(8), b"\x89PNG\r\n\x1a\n")
        series = readCsv(os.path.join(self.out, "plot-max_cycles-CIR.csv"))
        self.assertEqual(sorted({s["line"] for s in series}), STREAMS)
        for s in series:
            run = f"run-{CIRS.index(int(float(s['CIR']))) + 1:03d}"
            row = expectedRow(json.loads(readText(os.path.join(self.runDir(run), "summary.json"))))
            self.assertEqual(float(s["max_cycles"]), float(row[f"{s['line']} max_cycles"]))
        self.assertEqual(len(series), 2 * 12)  # run-009 passes its PDUs, only routing fails

    def testRerunOfOneRowGivesIdenticalOutputs(self):
        folder = self.runDir("run-003")
        before = {n: readText(os.path.join(folder, n), "rb")
                  for n in ("summary.json", "console.log", "junit.xml")}
        subprocess.run(["sh", os.path.join(folder, "run.sh")], check=True)
        for n, data in before.items():
            with open(os.path.join(folder, n), "rb") as f:
                self.assertEqual(f.read(), data, n)

    def testSlurmScriptRunByHandGivesTheSameCsv(self):
        out = os.path.join(self.tmp, "slurm")
        r = sweep(out, "--grid", self.grid, "--slurm", "-j", "2")
        self.assertEqual(r.returncode, 0, r.stderr)
        script = os.path.join(out, "sweep.slurm")
        with open(script) as f:
            self.assertIn("#SBATCH --array=0-11%2", f.read())
        self.assertFalse(os.path.exists(os.path.join(self.runDir("run-001", out), "summary.json")))
        for task in range(12):
            env = dict(os.environ, SLURM_ARRAY_TASK_ID=str(task))
            subprocess.run(["bash", script], env=env, check=False)
        c = subprocess.run(["/usr/bin/python3", TOOL, "collect", out], capture_output=True, text=True)
        self.assertEqual(c.returncode, 1, c.stderr)
        for name in ("results.csv", "failed.txt"):
            mine = readText(os.path.join(out, name)).replace(out, "OUT")
            theirs = readText(os.path.join(self.out, name)).replace(self.out, "OUT")
            self.assertEqual(mine, theirs, name)

    def testRangesMultiplyAndValuesReadBackExactly(self):
        out = os.path.join(self.tmp, "ranges")
        r = sweep(out, "--param", "CIR=1000:3000:1000", "--param", "SIZE=64,100", "--slurm")
        self.assertEqual(r.returncode, 0, r.stderr)
        sets = [m["parameters"] for m in json.loads(readText(os.path.join(out, "runs.json")))]
        self.assertEqual(sets, [{"CIR": c, "SIZE": s} for c in ("1000", "2000", "3000")
                                for s in ("64", "100")])
        odd = 'a&b<c"d%e\'f'
        r = sweep(out, "--param", f"EXPECT_PORT={odd}", "--slurm")
        self.assertEqual(r.returncode, 0, r.stderr)
        # expat expands the internal entities as the loader does
        doc = ET.parse(os.path.join(self.runDir("run-001", out), "run.tcs")).getroot()
        self.assertEqual(doc.find(".//fixed_payload").get("tx_port"), "0," + odd)
        bad = sweep(out, "--param", "NO_SUCH=1", "--slurm")
        self.assertEqual(bad.returncode, 2)
        self.assertIn("no parameter NO_SUCH", bad.stderr)

    def testRegressionOfTheBundledExamples(self):
        out = os.path.join(self.tmp, "examples")
        r = subprocess.run(["/usr/bin/python3", TOOL, "regress", os.path.join(SRC, "examples"),
                            "-o", out, "-j", "2", "--pyxsim", os.path.join(BIN, "pyxsim"),
                            "--plugin", os.path.join(BIN, "libcorvel_lite.so")],
                           capture_output=True, text=True)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertIn("tunnels.tcs names no ports", r.stdout)
        rows = readCsv(os.path.join(out, "results.csv"))
        self.assertEqual([(x["run"], x["verdict"]) for x in rows], [("quickstart", "pass")])
        # The quickstart's own verdict line: 27 PDUs verified, 0 failed.
        self.assertEqual((rows[0]["pdus_passed"], rows[0]["pdus_failed"]), ("27", "0"))
        with open(os.path.join(out, "runs", "quickstart", "summary.json")) as f:
            for key, value in expectedRow(json.load(f)).items():
                self.assertEqual(rows[0][key], value, key)


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"])
