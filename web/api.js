// tbcalc's JavaScript API, for scripts and tests as for the page itself:
//   tbcalc.ready                 a promise, resolved with tbcalc once the
//                                module is compiled (tbcalc.readyTime: when,
//                                in ms from the start of the page's load)
//   tbcalc.brightness(sst, altitude, air, wind, rain, salinity = 36)
//                                six brightness temperatures, K: the model's
//                                own floats, as tbcalc, tbforward and the
//                                Python module compute them
//   tbcalc.retrieve({sst, altitude, air, tb, noise, salinity, intervals, level})
//                                wind and rain from six brightness
//                                temperatures, with the retrieval's fields
//                                and status
//   tbcalc.misfitMap({sst, altitude, air, tb, noise, salinity, wind, rain})
//                                chi2 over the wind/rain plane
//   tbcalc.runTable(program, text, options)
//                                a promise of {output, outputBytes,
//                                messages, exitStatus}: tbforward or
//                                tbretrieve on a file's text or bytes, in a
//                                Web Worker
// Inputs are numbers in the programs' units: deg C, m, m/s, mm/h, psu, K;
// anything else is a TypeError. brightness throws a RangeError with the
// table programs' message for a value out of range; retrieve and misfitMap
// answer such a scene as the retrieval does (status "invalid-input", a NaN
// misfit) and say why in `problem`; a noise, level or grid that cannot be
// used throws a RangeError.
"use strict";
(function () {
  const moduleSource = document.getElementById("tbcalc-module").textContent;
  let module = null;

  function loaded() {
    if (!module) throw new Error("tbcalc is not ready yet: await tbcalc.ready first");
    return module;
  }

  // A result of the module, or its message as a RangeError.
  function checked(result) {
    if (result.error !== undefined) throw new RangeError(result.error);
    return result;
  }

  // A number as given: no string, null or missing value passes for one.
  function number(value, name) {
    if (typeof value !== "number") {
      throw new TypeError(`${name}: a number is needed, not ${value === null ? "null" : typeof value}`);
    }
    return value;
  }

  // `count` numbers (any of `counts`) from an array-like, its length checked first.
  function numbers(values, name, ...counts) {
    if (values === null || typeof values !== "object" || !counts.includes(values.length)) {
      throw new TypeError(`${name}: ${counts.join(" or ")} numbers are needed`);
    }
    return Array.from(values, (v, i) => number(v, `${name}[${i}]`));
  }

  function brightnessResult(sst, altitude, air, wind, rain, salinity = 36) {
    return checked(loaded().brightness(number(sst, "sst"), number(altitude, "altitude"),
                                       number(air, "air"), number(wind, "wind"),
                                       number(rain, "rain"), number(salinity, "salinity")));
  }

  // The scene's arguments as the module takes them, in order.
  function scene({ sst, altitude, air, tb, noise = 0.5, salinity = 36 }) {
    return [number(sst, "sst"), number(altitude, "altitude"), number(air, "air"),
            numbers(tb, "tb", 6),
            typeof noise === "number" ? noise : numbers(noise, "noise", 1, 6),
            number(salinity, "salinity")];
  }

  function retrieve(options) {
    const { intervals = false, level = 0.6826894921370859 } = options;
    return checked(loaded().retrieve(...scene(options), !!intervals, number(level, "level")));
  }

  // An axis of a grid: [lowest, highest, points].
  function axis(values, name) {
    const [low, high, points] = numbers(values, name, 3);
    if (!Number.isInteger(points)) throw new TypeError(`${name}: the number of points is a whole number`);
    return [low, high, points];
  }

  function misfitMap(options) {
    const { wind = [0, 150, 151], rain = [-10, 150, 161] } = options;
    const m = checked(loaded().misfitMap(...scene(options), axis(wind, "wind"), axis(rain, "rain")));
    // chi2[j * wind.length + i] at rain[j], wind[i].
    const map = { wind: m.wind, rain: m.rain, chi2: m.chi2 };
    if (m.problem !== undefined) map.problem = m.problem;
    return map;
  }

  // The table programs run in a Web Worker of their own, so that the page
  // answers while a long file is computed; where a worker cannot be made, on
  // the page's own thread.
  function workerMain() {
    const started = createTbcalcModule();
    self.onmessage = (event) => {
      const { id, program, bytes, args, fileName } = event.data;
      started.then((m) => {
        let r;
        try {
          r = m.runTable(program, bytes, args, fileName,
                         (consumed) => self.postMessage({ id, consumed }));
        } catch (error) {
          // An abort (memory ran out): this worker's module is done for.
          self.postMessage({ id, failure: String(error) });
          return;
        }
        self.postMessage({ id, result: r }, [r.output.buffer]);
      }, (error) => self.postMessage({ id, failure: String(error) }));
    };
  }

  let worker = null;       // null: none yet; false: none can be made here
  let workerWorked = false;
  let nextId = 0;
  const pending = new Map();

  // Ends the worker and every run in it; the next run starts a fresh one.
  function failWorker(message) {
    for (const job of pending.values()) job.reject(new Error(message));
    pending.clear();
    worker.terminate();
    worker = workerWorked ? null : false;  // a worker that never ran: none here
  }

  function startWorker() {
    if (worker !== null) return worker;
    try {
      const source = moduleSource + "\n(" + workerMain.toString() + ")();\n";
      const url = URL.createObjectURL(new Blob([source], { type: "text/javascript" }));
      worker = new Worker(url);
      worker.onmessage = (event) => {
        if (!workerWorked) URL.revokeObjectURL(url);
        workerWorked = true;
        const job = pending.get(event.data.id);
        if (!job) return;
        if (event.data.consumed !== undefined) {
          job.onProgress(event.data.consumed);
        } else if (event.data.failure !== undefined) {
          failWorker("the page could not finish (" + event.data.failure + "): the programs " +
                     "themselves take a file of any size");
        } else {
          pending.delete(event.data.id);
          job.resolve(event.data.result);
        }
      };
      worker.onerror = (event) => {
        event.preventDefault();
        failWorker("the worker failed: " + event.message);
      };
    } catch (error) {
      worker = false;
    }
    return worker;
  }

  // The file and what the program writes are held whole in the module's
  // memory (at most 2 GiB): a file of this size leaves room for both.
  const MAX_FILE_BYTES = 256 << 20;

  async function bytesOf(text) {
    if (typeof text === "string") return new TextEncoder().encode(text);
    if (text instanceof Blob) return new Uint8Array(await text.arrayBuffer());
    if (text instanceof ArrayBuffer) return new Uint8Array(text.slice(0));
    if (ArrayBuffer.isView(text)) return new Uint8Array(text.buffer.slice(text.byteOffset, text.byteOffset + text.byteLength));
    throw new TypeError("runTable: the file is a string, a Blob, an ArrayBuffer or a typed array");
  }

  // options: {args: ["--header", ...], fileName: "flight.csv" (by default the
  // file is standard input, "-"), onProgress: (bytesRead, bytesInAll) => {}}.
  async function runTable(program, text, options = {}) {
    const given = options.args === undefined ? [] : options.args;
    if (!Array.isArray(given) || !given.every((a) => typeof a === "string")) {
      throw new TypeError("runTable: options.args is an array of strings, one per argument");
    }
    const args = given.slice();
    const fileName = options.fileName === undefined ? "-" : String(options.fileName);
    const bytes = await bytesOf(text);
    if (bytes.length > MAX_FILE_BYTES) {
      throw new RangeError(`runTable: the page takes files up to ${MAX_FILE_BYTES >> 20} MiB; ` +
                           "the programs themselves take a file of any size");
    }
    const size = bytes.length;
    const onProgress = (consumed) => options.onProgress && options.onProgress(consumed, size);
    const w = startWorker();
    api.tableThread = w ? "worker" : "page";
    const result = w
      ? await new Promise((resolve, reject) => {
          const id = nextId++;
          pending.set(id, { resolve, reject, onProgress });
          w.postMessage({ id, program: String(program), bytes, args, fileName }, [bytes.buffer]);
        })
      : loaded().runTable(String(program), bytes, args, fileName, onProgress);
    return {
      output: new TextDecoder().decode(result.output),
      outputBytes: result.output,
      messages: result.messages,
      exitStatus: result.exitStatus,
    };
  }

  const api = {
    brightness: (...values) => brightnessResult(...values).tb,
    // The dialogue's two result lines for the same values.
    brightnessLines: (...values) => brightnessResult(...values).lines,
    retrieve,
    misfitMap,
    chiSquareQuantile: (level) => loaded().chiSquareQuantile(+level),
    runTable,
    inputs: () => loaded().inputs(),
    frequencies: () => loaded().frequencies(),
    version: "@VERSION@",
    readyTime: NaN,
    tableThread: null,  // where the last runTable ran: "worker", or "page" without workers
  };
  api.ready = createTbcalcModule().then((m) => {
    module = m;
    api.readyTime = performance.now();
    return api;
  });
  window.tbcalc = api;
})();
