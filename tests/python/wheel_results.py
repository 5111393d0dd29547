"""Two builds of tbcalc compared bit for bit on random inputs: the forward
model, its Jacobian and the retrieval with its intervals.
    wheel_results.py write <file.npz>     with the reference tbcalc importable
    wheel_results.py compare <file.npz>   with the tbcalc to check
"""
import sys

import numpy as np

import tbcalc

INPUTS = ["sst", "altitude", "air", "wind", "rain", "salinity", "measured"]


def random_inputs(count=300):
    rng = np.random.default_rng(2026)
    inputs = {"sst": rng.uniform(-2, 35, count), "altitude": rng.uniform(50, 12000, count),
              "air": rng.uniform(-60, 40, count), "wind": rng.uniform(0, 60, count),
              "rain": rng.uniform(-2, 60, count), "salinity": rng.uniform(0, 40, count)}
    tb = tbcalc.brightness(*(inputs[k] for k in INPUTS[:6]))
    inputs["measured"] = tb + rng.normal(0, 0.5, tb.shape)
    return inputs


def results(inputs):
    sst, altitude, air, wind, rain, salinity, measured = (inputs[k] for k in INPUTS)
    out = {"brightness": tbcalc.brightness(sst, altitude, air, wind, rain, salinity)}
    jacobian = tbcalc.jacobian(sst, altitude, air, wind, rain, salinity)
    for name, _doc in tbcalc.JACOBIAN_FIELDS:
        out[f"jacobian.{name}"] = getattr(jacobian, name)
    retrieval = tbcalc.retrieve(sst, altitude, air, measured, 0.5, salinity, intervals=True)
    for name in [field[0] for field in tbcalc.RETRIEVAL_FIELDS] + ["iterations", "status"]:
        out[f"retrieve.{name}"] = np.asarray(getattr(retrieval, name))
    return out


def main():
    mode, path = sys.argv[1:3]
    if mode == "write":
        inputs = random_inputs()
        np.savez(path, **inputs, **results(inputs))
        return
    reference = np.load(path)
    mine = results({k: reference[k] for k in INPUTS})
    differ = [name for name, array in mine.items()
              if array.dtype != reference[name].dtype or array.shape != reference[name].shape
              or array.tobytes() != reference[name].tobytes()
              or not np.array_equal(array, reference[name], equal_nan=array.dtype.kind == "f")]
    if differ:
        sys.exit(f"{tbcalc.__file__} differs from the reference in {', '.join(differ)}")
    values = sum(array.size for array in mine.values())
    print(f"{tbcalc.__file__}: {len(mine)} results, {values} values, identical bytes")


if __name__ == "__main__":
    main()
