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
// Values out of range or settings that cannot be used throw a RangeError
// with the message the programs give. Inputs are numbers in the programs'
// units: deg C, m, m/s, mm/h, psu, K.
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

  function brightnessResult(sst, altitude, air, wind, rain, salinity = 36) {
    return checked(loaded().brightness(+sst, +altitude, +air, +wind, +rain, +salinity));
  }

  function tbOf(tb) {
    if (!tb || tb.length !== 6) throw new RangeError("tb: six brightness temperatures are needed");
    return Array.from(tb, Number);
  }

  function noiseOf(noise) {
    return typeof noise === "number" ? noise : Array.from(noise, Number);
  }

  function retrieve({ sst, altitude, air, tb, noise = 0.5, salinity = 36, intervals = false,
                      level = 0.6826894921370859 }) {
    const r = checked(loaded().retrieve(+sst, +altitude, +air, tbOf(tb), noiseOf(noise),
                                        +salinity, !!intervals, +level));
    return r;
  }

  function misfitMap({ sst, altitude, air, tb, noise = 0.5, salinity = 36, wind = [0, 150, 151],
                       rain = [-10, 150, 161] }) {
    const m = checked(loaded().misfitMap(+sst, +altitude, +air, tbOf(tb), noiseOf(noise),
                                         +salinity, wind.map(Number), rain.map(Number)));
    // chi2[j * wind.length + i] at rain[j], wind[i].
    return { wind: m.wind, rain: m.rain, chi2: m.chi2 };
  }

  // The table programs run in a Web Worker of their own, so that the page
  // answers while a long file is computed; where a worker cannot be made, on
  // the page's own thread.
  function workerMain() {
    const started = createTbcalcModule();
    self.onmessage = (event) => {
      const { id, program, bytes, args, fileName } = event.data;
      started.then((m) => {
        const r = m.runTable(program, bytes, args, fileName,
                             (consumed) => self.postMessage({ id, consumed }));
        self.postMessage({ id, result: r }, [r.output.buffer]);
      }, (error) => self.postMessage({ id, failure: String(error) }));
    };
  }

  let worker = null;
  let nextId = 0;
  const pending = new Map();

  function startWorker() {
    if (worker !== null) return worker;
    try {
      const source = moduleSource + "\n(" + workerMain.toString() + ")();\n";
      worker = new Worker(URL.createObjectURL(new Blob([source], { type: "text/javascript" })));
      worker.onmessage = (event) => {
        const job = pending.get(event.data.id);
        if (!job) return;
        if (event.data.consumed !== undefined) {
          job.onProgress(event.data.consumed);
        } else {
          pending.delete(event.data.id);
          if (event.data.failure !== undefined) job.reject(new Error(event.data.failure));
          else job.resolve(event.data.result);
        }
      };
      worker.onerror = (event) => {
        event.preventDefault();
        for (const job of pending.values()) job.reject(new Error("the worker failed: " + event.message));
        pending.clear();
        worker = false;  // from now on, on the page's thread
      };
    } catch (error) {
      worker = false;
    }
    return worker;
  }

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
    const args = Array.from(options.args || [], String);
    const fileName = options.fileName === undefined ? "-" : String(options.fileName);
    const bytes = await bytesOf(text);
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
