#!/usr/bin/env python3
"""Writes the sqlsim scenarios the benchmarks serve into the folder given as the only argument.

  readback.json  one user database "bench" with 50,000 user tables: DBCC CHECKDB on it reports two
                 messages per table, 100,000 and a few more in all.
  startup.json   1,000 user databases, so the main window lists 1,000 names at start-up.
"""
import json
import pathlib
import sys

PASSWORD = "bench"
STANDARD = ["master", "tempdb", "model", "msdb", "pubs", "Northwind"]


def standard_databases():
    return [{"name": name, "dbid": dbid} for dbid, name in enumerate(STANDARD, start=1)]


def scenario(user_databases):
    return {"profile": "2000", "serverName": "BENCH", "saPassword": PASSWORD,
            "databases": standard_databases() + user_databases}


def readback():
    tables = [{"name": f"bench_table_{n:06d}", "rows": 1000 + n % 9000, "pages": 10 + n % 90}
              for n in range(1, 50001)]
    return scenario([{"name": "bench", "dbid": 7, "tables": tables}])


def startup():
    return scenario([{"name": f"db{n:04d}", "dbid": 6 + n} for n in range(1, 1001)])


def main():
    out = pathlib.Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    (out / "readback.json").write_text(json.dumps(readback()))
    (out / "startup.json").write_text(json.dumps(startup()))


if __name__ == "__main__":
    main()
